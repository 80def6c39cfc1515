#pragma once
// Run from the build tree, the installation root is <build>/koradir.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

inline void DefaultKoradir()
{
    if (std::getenv("KORADIR"))
        return;
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof(self) - 1) > 0) {
        const auto root = std::filesystem::path(self).parent_path().parent_path() / "koradir";
        setenv("KORADIR", root.c_str(), 1);
    }
}
