// Text lists on arbitrary bytes: every path read comes back absolute and cleaned, whatever the line held.
#include <QDir>

#include <cstdlib>

#include "items/textlist.h"
#include "tempfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteTemp(data, size, "list.txt");
    QStringList paths;
    if (path.empty() || !VORNE::readTextList(QString::fromStdString(path), paths))
        return 0;
    for (const QString& read : paths)
        if (!QDir::isAbsolutePath(read) || QDir::cleanPath(read) != read)
            std::abort();
    return 0;
}
