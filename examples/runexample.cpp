// run-example GRAPH LIST OUTDIR: executes GRAPH once per image named in the text list LIST (one path per
// line, relative to the list, "#" comments) and writes every image output to OUTDIR.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "kora/kora.h"
#include "ostrel/ostrel.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> ReadList(const fs::path& list)
{
    std::ifstream in(list);
    if (!in)
        throw KORA::CExIo("cannot open the list", list.string());
    std::vector<fs::path> paths;
    for (std::string line; std::getline(in, line);) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
        fs::path path(line);
        paths.push_back(path.is_absolute() ? path : list.parent_path() / path);
    }
    return paths;
}

std::string Describe(const KORA::CValue& value)
{
    if (const auto* image = dynamic_cast<const KORA::CValuePointer<KORA::CImage>*>(KORA::Unwrap(&value)))
        return std::string(KORA::ImageTypeName(image->Pointer()->Type())) + " image " +
               image->Pointer()->Size().ToString();
    return KORA::CTextSerializer(false, true, nullptr).ToString(value);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " GRAPH LIST OUTDIR\n";
        return 2;
    }
    KORA::VexInit(-1);
    try {
        std::unique_ptr<OstrelGraph::Graph> graph(OstrelGraph::Graph::LoadFromFile(argv[1]));
        OstrelGraph::ThreadScheduler scheduler(0);
        graph->ExchangeThreadScheduler(&scheduler);
        const fs::path outDir(argv[3]);
        fs::create_directories(outDir);
        std::cout << "Graph " << argv[1] << ": " << graph->GetInpinCount() << " input(s), "
                  << graph->GetOutpinCount() << " output(s)\n";
        int failed = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const fs::path& input : ReadList(argv[2])) {
            std::cout << input.filename().string() << ":";
            try {
                graph->Prepare();
                graph->SetInpinData(0, new KORA::CValueOwnedPointer<KORA::CImage>(
                                           KORA::CImageIo2::Load(input.string().c_str())));
                graph->Execute();
                graph->CheckError();
                for (int pin = 0; pin < graph->GetOutpinCount(); ++pin) {
                    const KORA::CValue* value = graph->GetOutpinData(pin);
                    if (!value)
                        continue;
                    std::cout << "  " << graph->GetOutpinName(pin) << " = " << Describe(*value);
                    if (KORA::IsPointerTo<KORA::CImage>(value)) {
                        const KORA::CImage& image = *KORA::UnwrapPointer<KORA::CImage>(value);
                        const char* suffix = image.Type() == KORA::IMAGE_GREY_F ? ".tif" : ".png";
                        const fs::path name = outDir / (input.stem().string() + "_" + std::to_string(pin) + suffix);
                        KORA::CImageIo2::Save(name.string().c_str(), image);
                        std::cout << " -> " << name.string();
                    }
                }
                std::cout << "\n";
            } catch (const KORA::CException& e) {
                ++failed;
                std::cout << "  ERROR " << e.FormattedWhat() << "\n";
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::cout << "Done in " << seconds << " s, " << failed << " failed.\n";
        KORA::VexExit();
        return failed ? 1 : 0;
    } catch (const KORA::CException& e) {
        std::cerr << "run-example: " << e.FormattedWhat() << "\n";
        return 1;
    }
}
