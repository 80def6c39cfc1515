#include "items/imageloaders.h"

#include "kora/kora.h"
#include "rp/rp.h"

namespace VORNE {

const std::vector<LoaderRow>& imageLoaderTable()
{
    static const std::vector<LoaderRow> table = {
        {"txt", "%KORADIR%/bin/utility::ReadASCII", "filename"},
        {"asc", "%KORADIR%/bin/utility::ReadASCII", "filename"},
        {"csv", "%KORADIR%/bin/utility::ReadASCII", "filename"},
        {"cine", "%KORADIR%/bin/utility::ReadCine", "filename"},
        {"rek", "%KORADIR%/bin/RUXOkit_IO::LoadREK", "filename"},
        {"rek.gz", "%KORADIR%/bin/RUXOkit_IO::LoadREK", "filename"},
        {"svif", "%KORADIR%/bin/RUXOkit_IO::Load", "filename"},
        {"svif.gz", "%KORADIR%/bin/RUXOkit_IO::Load", "filename"},
        {"gdt", "%KORADIR%/bin/RUXOkit_IO::LoadGDT", "filename"},
        {"fld", "%KORADIR%/bin/RUXOkit_IO::LoadAVS", "filename"},
        {"vgi", "%KORADIR%/bin/RUXOkit_IO::LoadVGI", "filename"},
        {"vgl", "%KORADIR%/bin/RUXOkit_IO::LoadVGL", "filename"},
        {"mrc", "%KORADIR%/bin/RUXOkit_IO::LoadMRC", "filename"},
        {"", "", ""},
    };
    return table;
}

namespace {

// The dot that starts the extension: the last one, but never the path's first character.
int extensionDot(const std::string& path, int searchFrom)
{
    for (int i = searchFrom; i > 0; --i)
        if (path[static_cast<std::size_t>(i)] == '.')
            return i;
    return -1;
}

std::string asciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string imageFileExtension(const std::string& path)
{
    const int dot = extensionDot(path, static_cast<int>(path.size()) - 1);
    std::string extension = asciiLower(dot < 0 ? path : path.substr(static_cast<std::size_t>(dot) + 1));
    if (extension == "gz") {
        const int inner = extensionDot(path, dot - 1);
        extension = asciiLower(inner < 0 ? path : path.substr(static_cast<std::size_t>(inner) + 1));
    }
    return extension;
}

KORA::CImage* loadWithPlugins(const std::string& path)
{
    const std::string extension = imageFileExtension(path);
    for (const LoaderRow& row : imageLoaderTable()) {
        if (row.extension.empty())
            break;
        if (row.extension != extension)
            continue;
        RP::value_list outputs =
            RP::RunPlugin(row.plugin.c_str(), row.parameter.c_str(), path.c_str(), "verbose", true, "NULL",
                          "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL",
                          "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL",
                          "NULL", "NULL", "NULL", "NULL");
        if (outputs.empty())
            continue;
        if (KORA::CImage* image = static_cast<KORA::CImage*>(outputs.front()))
            return image;
    }
    return nullptr;
}

} // namespace VORNE
