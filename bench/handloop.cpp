// The hand-written baseline vorne-batch is measured against: the same per-image work (Gaussian blur with
// sigma 2, Otsu threshold, PNG at compression level 1) as a plain OpenCV loop, and the maker of the batch.
//   handloop make PHOTO OUTDIR COUNT [SIDE]  grey PNGs of SIDE x SIDE (default 1000) cut from a photograph,
//                                            each a little shifted
//   handloop run INDIR OUTDIR          processes every PNG of INDIR into OUTDIR
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int make(const std::string& photo, const std::string& folder, int count, int side)
{
    const cv::Mat grey = cv::imread(photo, cv::IMREAD_GRAYSCALE);
    if (grey.empty()) {
        std::fprintf(stderr, "handloop: cannot read %s\n", photo.c_str());
        return 1;
    }
    cv::Mat large;
    cv::resize(grey, large, cv::Size(side + 100, side + 100), 0, 0, cv::INTER_CUBIC);
    const std::vector<int> png{cv::IMWRITE_PNG_COMPRESSION, 1};
    for (int i = 0; i < count; ++i) {
        cv::Mat image = large(cv::Rect(i % 10 * 7, i / 10 % 10 * 7, side, side)).clone();
        if (i % 2)
            cv::flip(image, image, 1);
        char name[32];
        std::snprintf(name, sizeof name, count > 1000 ? "/img_%06d.png" : "/img_%03d.png", i);
        cv::imwrite(folder + name, image, png);
    }
    return 0;
}

int run(const std::string& in, const std::string& out)
{
    std::vector<cv::String> files;
    cv::glob(in + "/*.png", files, false);
    std::sort(files.begin(), files.end());
    const std::vector<int> png{cv::IMWRITE_PNG_COMPRESSION, 1};
    cv::Mat blurred, mask;
    for (const cv::String& file : files) {
        const cv::Mat image = cv::imread(file, cv::IMREAD_UNCHANGED);
        cv::GaussianBlur(image, blurred, cv::Size(0, 0), 2.0, 2.0, cv::BORDER_REFLECT_101);
        cv::threshold(blurred, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        const std::size_t slash = file.find_last_of('/');
        const std::string stem = file.substr(slash + 1, file.size() - slash - 5);
        cv::imwrite(out + "/" + stem + "_0.png", mask, png);
    }
    std::printf("%zu images\n", files.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && (argc == 5 || argc == 6))
        return make(argv[2], argv[3], std::atoi(argv[4]), argc == 6 ? std::atoi(argv[5]) : 1000);
    if (mode == "run" && argc == 4)
        return run(argv[2], argv[3]);
    std::fprintf(stderr, "usage: handloop make PHOTO OUTDIR COUNT [SIDE] | handloop run INDIR OUTDIR\n");
    return 2;
}
