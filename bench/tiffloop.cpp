// The baseline bench/tiff-vs-opencv.sh times vorne-batch's TIFF path against: TIFF files read with
// cv::imreadmulti and written with cv::imwrite (LZW), as the base library did before it read TIFF with
// libtiff itself, around the same per-image work as examples/graphs/blur_otsu.ogr: Gaussian blur with
// sigma 2, then Otsu's level found as imgproc::Threshold finds it for 16-bit pixels (spread over 256 steps
// between minimum and maximum), pixels above it 255.
//   tiffloop run INDIR OUTDIR [COMPRESSION]   processes every .tif of INDIR into OUTDIR/<name>_0.tif,
//                                             compressed with libtiff's code (5, LZW, by default; 1 none)
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Over all planes at once, as the node does for a stack.
double otsuLevel(const std::vector<cv::Mat>& planes)
{
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i < planes.size(); ++i) {
        double planeLo = 0, planeHi = 0;
        cv::minMaxLoc(planes[i], &planeLo, &planeHi);
        lo = i == 0 ? planeLo : std::min(lo, planeLo);
        hi = i == 0 ? planeHi : std::max(hi, planeHi);
    }
    if (hi <= lo)
        return lo;
    const double scale = 255.0 / (hi - lo);
    std::vector<cv::Mat> steps(planes.size());
    for (std::size_t i = 0; i < planes.size(); ++i)
        planes[i].convertTo(steps[i], CV_8U, scale, -lo * scale);
    cv::Mat volume, ignored;
    cv::vconcat(steps, volume);
    const double level = cv::threshold(volume, ignored, 0, 1, cv::THRESH_BINARY | cv::THRESH_OTSU);
    return lo + (level + 0.5) / scale;
}

int run(const std::string& in, const std::string& out, int compression)
{
    std::vector<cv::String> files;
    cv::glob(in + "/*.tif", files, false);
    std::sort(files.begin(), files.end());
    const std::vector<int> written{cv::IMWRITE_TIFF_COMPRESSION, compression};
    for (const cv::String& file : files) {
        std::vector<cv::Mat> pages;
        if (!cv::imreadmulti(file, pages, cv::IMREAD_UNCHANGED) || pages.empty()) {
            std::fprintf(stderr, "tiffloop: cannot read %s\n", file.c_str());
            return 1;
        }
        std::vector<cv::Mat> blurred(pages.size());
        for (std::size_t i = 0; i < pages.size(); ++i)
            cv::GaussianBlur(pages[i], blurred[i], cv::Size(0, 0), 2.0, 2.0, cv::BORDER_REFLECT_101);
        const double level = otsuLevel(blurred);
        std::vector<cv::Mat> masks(pages.size());
        for (std::size_t i = 0; i < pages.size(); ++i)
            cv::compare(blurred[i], cv::Scalar(level), masks[i], cv::CMP_GT);
        const std::size_t slash = file.find_last_of('/');
        const std::string stem = file.substr(slash + 1, file.size() - slash - 5);
        const std::string target = out + "/" + stem + "_0.tif";
        if (!(masks.size() == 1 ? cv::imwrite(target, masks.front(), written) : cv::imwrite(target, masks, written))) {
            std::fprintf(stderr, "tiffloop: cannot write %s\n", target.c_str());
            return 1;
        }
    }
    std::printf("%zu images\n", files.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "run")
        return run(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 5);
    std::fprintf(stderr, "usage: tiffloop run INDIR OUTDIR [COMPRESSION]\n");
    return 2;
}
