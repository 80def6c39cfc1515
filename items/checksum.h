#pragma once
// Content checksums of input and output files: 64-bit XXH3 as 16 lower-case hex digits. Not meant to
// withstand tampering, only to tell quickly whether a file holds the same bytes as when it was recorded.
#include <QString>

#include <cstddef>

namespace VORNE {

QString contentChecksum(const void* data, std::size_t size);
// Reads the file once, in pieces, so that memory does not grow with its size. A null string when the file
// cannot be read; error then says why.
QString fileChecksum(const QString& path, QString* error = nullptr);

} // namespace VORNE
