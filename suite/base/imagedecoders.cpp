#include "imagedecoders.h"

namespace KORA {

namespace {

// Built on first use: decoders register from the static initialisers of other files, in no fixed order.
std::map<std::string, ImageDecoder>& Table()
{
    static std::map<std::string, ImageDecoder> table;
    return table;
}

} // namespace

bool ImageDecoders::Add(const char* formatName, ImageDecoder decoder)
{
    Table()[formatName] = decoder;
    return true;
}

ImageDecoder ImageDecoders::Find(const std::string& formatName)
{
    const auto found = Table().find(formatName);
    return found == Table().end() ? nullptr : found->second;
}

const std::map<std::string, ImageDecoder>& ImageDecoders::All()
{
    return Table();
}

} // namespace KORA
