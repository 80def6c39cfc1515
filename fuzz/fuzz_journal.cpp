// vorne-batch's journal on arbitrary bytes, as a rerun finds a journal torn or written by someone else:
// reading it never fails, and asking it about an index never throws.
#include <nlohmann/json.hpp>

#include "tempfile.h"
#include "tools/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteTemp(data, size, "journal.jsonl");
    if (path.empty())
        return 0;
    const VORNE::batch::Journal journal(QString::fromStdString(path));
    const nlohmann::json inputs = {{"image", "a.png"}};
    for (int index = 0; index < 4; ++index)
        journal.isDone(index, inputs, QStringLiteral("digest"));
    return 0;
}
