// Every example graph loads and runs on the example data, sequentially and on two threads, and fills
// every output; the cell count equals the same OpenCV calls made directly.

#include <opencv2/imgproc.hpp>

#include "ostrel/ostrel.h"
#include "testsupport.h"

using namespace KORA;
using OstrelGraph::Graph;

namespace {

std::string SourceDir()
{
    const char* dir = std::getenv("VORNE_SOURCE_DIR");
    return dir ? dir : ".";
}

CImage* LoadData(const std::string& name)
{
    return CImageIo2::Load((SourceDir() + "/examples/data/" + name).c_str());
}

// Feeds every input by its name: images for "image", "a" and "b", a number and a text otherwise.
std::unique_ptr<Graph> LoadAndFeed(const std::string& file, OstrelGraph::ThreadScheduler* scheduler)
{
    std::unique_ptr<Graph> graph(Graph::LoadFromFile((SourceDir() + "/examples/graphs/" + file).c_str(), scheduler));
    for (int i = 0; i < graph->GetInpinCount(); ++i) {
        const std::string name = graph->GetInpinName(i);
        if (name == "number")
            graph->SetInpinData(i, new CValueLong(42));
        else if (name == "label")
            graph->SetInpinData(i, new CValueString("forty-two"));
        else
            graph->SetInpinData(i, new CValueOwnedPointer<CImage>(LoadData(name == "b" ? "cells_2.png" : "cells_1.png")));
    }
    graph->Execute();
    return graph;
}

const CValue& Output(const Graph& graph, const std::string& name)
{
    for (int i = 0; i < graph.GetOutpinCount(); ++i)
        if (graph.GetOutpinName(i) == name && graph.GetOutpinData(i))
            return *Unwrap(graph.GetOutpinData(i));
    throw CException("no output '" + name + "'");
}

int32_t LongOf(const CValue& value)
{
    return dynamic_cast<const CValueLong&>(value).Value();
}

class Examples : public ::testing::TestWithParam<int>
{
protected:
    std::unique_ptr<OstrelGraph::ThreadScheduler> m_scheduler =
        GetParam() ? std::make_unique<OstrelGraph::ThreadScheduler>(GetParam()) : nullptr;
};

} // namespace

TEST_P(Examples, EveryGraphFillsEveryOutput)
{
    for (const char* file : {"blur_otsu.ogr", "count_cells.ogr", "two_inputs.ogr", "number_and_string.ogr",
                             "plot_outputs.ogr", "smooth.xml"}) {
        auto graph = LoadAndFeed(file, m_scheduler.get());
        EXPECT_NO_THROW(graph->CheckError()) << file;
        for (int i = 0; i < graph->GetOutpinCount(); ++i)
            EXPECT_NE(graph->GetOutpinData(i), nullptr) << file << ": " << graph->GetOutpinName(i);
    }
    auto graph = LoadAndFeed("number_and_string.ogr", m_scheduler.get());
    EXPECT_EQ(LongOf(Output(*graph, "number")), 42);
    EXPECT_EQ(dynamic_cast<const CValueString&>(Output(*graph, "label")).Value(), "forty-two");
}

TEST_P(Examples, CountCellsEqualsTheDirectOpenCvCalls)
{
    auto graph = LoadAndFeed("count_cells.ogr", m_scheduler.get());
    graph->CheckError();
    // The same steps made directly: blur, Otsu, 8-connected objects of at least 20 pixels.
    std::unique_ptr<CImage> input(LoadData("cells_1.png"));
    cv::Mat blurred, mask, labels, stats, centres;
    cv::GaussianBlur(PlaneMat(*input), blurred, cv::Size(0, 0), 2.0);
    cv::threshold(blurred, mask, 0, 1, cv::THRESH_BINARY | cv::THRESH_OTSU);
    const int found = cv::connectedComponentsWithStats(mask, labels, stats, centres, 8);
    int expected = 0;
    for (int label = 1; label < found; ++label)
        expected += stats.at<int>(label, cv::CC_STAT_AREA) >= 20;
    EXPECT_GE(expected, 3);
    EXPECT_EQ(LongOf(Output(*graph, "count")), expected);

    graph->Parameters().SetEntry("min_area", new CValueLong(100000));
    graph->Execute();
    graph->CheckError();
    EXPECT_EQ(LongOf(Output(*graph, "count")), 0) << "the graph parameter reaches the node";
}

TEST_P(Examples, FailingGraphRecordsTheFailingNode)
{
    auto graph = LoadAndFeed("fails.ogr", m_scheduler.get());
    testsupport::ExpectWords(testsupport::ErrorOf([&] { graph->CheckError(); }, true),
                             {"broken", "this graph fails on purpose"}, "fails.ogr");
    EXPECT_EQ(graph->GetOutpinData(0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Threads, Examples, ::testing::Values(0, 2));
