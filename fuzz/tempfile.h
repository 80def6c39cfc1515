#pragma once
// For readers that take a path: the input is written to a file of this process's own, so that two
// fuzzers running side by side never read each other's inputs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

// /tmp/fuzz_<pid>/name, or an empty string when the file cannot be written. Files of the same folder may
// name each other by their names.
inline std::string WriteTemp(const std::uint8_t* data, std::size_t size, const std::string& name)
{
    const std::string folder = "/tmp/fuzz_" + std::to_string(getpid());
    ::mkdir(folder.c_str(), 0700);
    const std::string path = folder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return std::string();
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written ? path : std::string();
}

} // namespace fuzz
