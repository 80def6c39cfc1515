#include "executor/hiddenparameters.h"

#include <string>

#include "kora/value.h"

namespace VORNE {

void removeHiddenParameters(KORA::CValueMap& parameters)
{
    for (const std::string& key : parameters.Keys()) {
        const KORA::CValue* value = parameters.FindEntry(key);
        const KORA::CValueMap* meta = value ? value->MetaOrNull() : nullptr;
        const bool bookkeeping = key.size() > 2 && key.compare(0, 2, "__") == 0;
        const bool unused = meta && meta->HasEntry("unused", KORA::GT_BOOL) && meta->EntryBool("unused");
        if (bookkeeping || unused)
            parameters.RemoveEntry(key);
    }
}

} // namespace VORNE
