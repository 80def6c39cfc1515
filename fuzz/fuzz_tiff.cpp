// The TIFF reader on arbitrary bytes, with and without a plane choice: it may fail only with a CException,
// and what it loads saves as TIFF and loads back with the same pixels.
#include <cstdlib>
#include <memory>
#include <string>


#include "kora/imageio.h"
#include "tempfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteTemp(data, size, "in.tif");
    if (path.empty())
        return 0;
    for (const KORA::StImgLoadCfg& config : {KORA::StImgLoadCfg(), KORA::StImgLoadCfg{KORA::IMG_LOAD_PLANE, 1, 0}}) {
        std::unique_ptr<KORA::CImage> image;
        try {
            image.reset(KORA::CImageIo2::Load(path.c_str(), config));
        } catch (const KORA::CException&) {
            continue;
        }
        const std::string again = path.substr(0, path.rfind('/') + 1) + "out.tif";
        KORA::CImageIo2::Save(again.c_str(), *image);
        const std::unique_ptr<KORA::CImage> back(KORA::CImageIo2::Load(again.c_str()));
        if (!back->SamePixels(*image))
            std::abort();
    }
    return 0;
}
