#include <cstring>

#include "kora/node.h"

namespace KORA {

CValueVector* ListPluginTable(const PluginEntry* table, std::size_t count)
{
    auto* names = new CValueVector();
    for (std::size_t i = 0; i < count; ++i)
        names->Append(new CValueString(table[i].name));
    return names;
}

IPluginObject* CreateFromPluginTable(const PluginEntry* table, std::size_t count, const char* name)
{
    if (!name)
        return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::strcmp(table[i].name, name) == 0)
            return table[i].create();
    }
    return nullptr;
}

} // namespace KORA
