#include "items/checksum.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <xxhash.h>

namespace VORNE {

namespace {

QString hex(XXH64_hash_t hash)
{
    return QStringLiteral("%1").arg(static_cast<qulonglong>(hash), 16, 16, QLatin1Char('0'));
}

} // namespace

QString contentChecksum(const void* data, std::size_t size)
{
    return hex(XXH3_64bits(data, size));
}

QString fileChecksum(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return QString();
    }
    const std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(XXH3_createState(), XXH3_freeState);
    XXH3_64bits_reset(state.get());
    // Sized to the file: most inputs are small, and a fresh megabyte per file would be mapped, zeroed and
    // unmapped again each time, which cost more than reading and hashing the file.
    const qint64 size = std::clamp<qint64>(file.size() + 1, 4096, qint64(1) << 20);
    const std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
    for (;;) {
        const qint64 n = file.read(buffer.get(), size);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return QString();
        }
        if (n == 0)
            break;
        XXH3_64bits_update(state.get(), buffer.get(), static_cast<std::size_t>(n));
    }
    return hex(XXH3_64bits_digest(state.get()));
}

} // namespace VORNE
