#pragma once
// The file dialogs' filters, kept as users know them. A format the library reads later is reached through
// "All Files (*.*)"; a test checks that every extension named here is one the format registry reads.

namespace VORNE {

constexpr const char* kImageFileFilter =
    "Image Files (*.ppm *.pgm *.pbm *.pfm *.pam *.jpg *.jpeg *.jp2 *.j2k *.bmp *.tif *.tiff *.png *.gif *.tga "
    "*.ico *.iass *.iass.gz);;2d Image Files (*.ppm *.pgm *.pbm *.pfm *.pam *.jpg *.jpeg *.jp2 *.j2k *.bmp "
    "*.tif *.tiff *.png *.gif *.tga *.ico);;3d Image Files (*.tif *.tiff *.iass *.iass.gz *.pam);;Text Files "
    "(*.asc *.ascii *.txt *.mark *.csv);;All Files (*.*)";

constexpr const char* kTextListFilter = "Text Files (*.asc *.ascii *.txt *.csv);;All Files (*.*)";

} // namespace VORNE
