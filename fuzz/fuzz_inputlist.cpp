// How vorne-batch reads its inputs, on arbitrary bytes: the bytes as an @FILE text list (beside two files it
// may name, "a.png" and "b.tif"), and their first line as a typed value ("long:", "vector:", ...). Either
// gives items or fails with an InputError, never anything else.
#include <algorithm>

#include "tempfile.h"
#include "tools/sources.h"

namespace {

void Expand(const QString& source)
{
    VORNE::batch::InputList items;
    try {
        VORNE::batch::expandSource(source, items);
    } catch (const VORNE::batch::InputError&) {
    }
    for (int i = 0; i < items.size(); ++i)
        items.at(i);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool named = [] {
        for (const char* name : {"a.png", "b.tif"}) {
            const std::string path = fuzz::WriteTemp(nullptr, 0, name);
            if (path.empty())
                return false;
        }
        return true;
    }();
    const std::string list = fuzz::WriteTemp(data, size, "list.txt");
    if (!named || list.empty())
        return 0;
    Expand(QLatin1Char('@') + QString::fromStdString(list));

    static const char* const kinds[] = {"long:", "double:", "string:", "bool:", "vector:"};
    if (size == 0)
        return 0;
    const auto* text = reinterpret_cast<const char*>(data) + 1;
    const std::size_t length = std::find(text, text + size - 1, '\n') - text;
    Expand(QString::fromUtf8(kinds[data[0] % 5]) + QString::fromUtf8(text, static_cast<int>(length)));
    return 0;
}
