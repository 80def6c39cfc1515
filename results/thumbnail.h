#pragma once
// Small PNG pictures of image files for the batch report, drawn with the viewer's automatic contrast.
// Safe to call from several threads at once.
#include <QString>

namespace VORNE {

constexpr int kThumbnailSide = 256;

// Writes a picture of the image file at most kThumbnailSide pixels on its long side to target (a .png).
// Returns the reason when the file cannot be read or the picture cannot be written, else a null string.
QString writeThumbnail(const QString& image, const QString& target);

} // namespace VORNE
