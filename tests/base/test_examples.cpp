// Every example graph loads and runs on the example data; a diamond of processing nodes gives what the
// same OpenCV calls give.

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

CValue* ImageValue(const std::string& name)
{
    return new CValueOwnedPointer<CImage>(CImageIo2::Load((SourceDir() + "/examples/data/" + name).c_str()));
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
            graph->SetInpinData(i, ImageValue(name == "b" ? "cells_2.png" : "cells_1.png"));
    }
    return graph;
}

const CValue& Output(const Graph& graph, const std::string& name)
{
    for (int i = 0; i < graph.GetOutpinCount(); ++i)
        if (graph.GetOutpinName(i) == name && graph.GetOutpinData(i))
            return *Unwrap(graph.GetOutpinData(i));
    throw CException("no output '" + name + "'");
}

class Examples : public ::testing::TestWithParam<int>
{
protected:
    // Each example runs sequentially and on two threads.
    std::unique_ptr<OstrelGraph::ThreadScheduler> m_scheduler =
        GetParam() ? std::make_unique<OstrelGraph::ThreadScheduler>(GetParam()) : nullptr;
    std::unique_ptr<Graph> Run(const std::string& file)
    {
        auto graph = LoadAndFeed(file, m_scheduler.get());
        graph->Execute();
        graph->CheckError();
        return graph;
    }
};

} // namespace

int32_t LongOf(const CValue& value)
{
    return dynamic_cast<const CValueLong&>(value).Value();
}

std::size_t SizeOf(const CValue& value)
{
    return dynamic_cast<const CValueVector&>(value).Size();
}

TEST_P(Examples, CountCells)
{
    auto graph = Run("count_cells.ogr");
    // The same steps made directly: blur, Otsu, 8-connected objects of at least 20 pixels.
    std::unique_ptr<CImage> input(CImageIo2::Load((SourceDir() + "/examples/data/cells_1.png").c_str()));
    cv::Mat blurred, mask, labels, stats, centres;
    cv::GaussianBlur(PlaneMat(*input), blurred, cv::Size(0, 0), 2.0);
    cv::threshold(blurred, mask, 0, 1, cv::THRESH_BINARY | cv::THRESH_OTSU);
    const int found = cv::connectedComponentsWithStats(mask, labels, stats, centres, 8);
    int expected = 0;
    for (int label = 1; label < found; ++label)
        expected += stats.at<int>(label, cv::CC_STAT_AREA) >= 20;
    EXPECT_GE(expected, 3);
    EXPECT_EQ(LongOf(Output(*graph, "count")), expected);
    EXPECT_EQ(UnwrapPointer<CImage>(&Output(*graph, "mask"))->Type(), IMAGE_BOOL);

    graph->Parameters().SetEntry("min_area", new CValueLong(100000));
    graph->Execute();
    graph->CheckError();
    EXPECT_EQ(LongOf(Output(*graph, "count")), 0) << "the graph parameter reaches the node";
}

TEST_P(Examples, TwoInputs)
{
    auto graph = Run("two_inputs.ogr");
    EXPECT_EQ(UnwrapPointer<CImage>(&Output(*graph, "blended"))->Size(), CSize(64, 64));
    EXPECT_NE(Output(*graph, "statistics a").EntryDouble("mean"), Output(*graph, "statistics b").EntryDouble("mean"));
}

TEST_P(Examples, NumberAndString)
{
    auto graph = Run("number_and_string.ogr");
    EXPECT_EQ(LongOf(Output(*graph, "number")), 42);
    EXPECT_EQ(dynamic_cast<const CValueString&>(Output(*graph, "label")).Value(), "forty-two");
    EXPECT_GT(LongOf(Output(*graph, "count")), 0);
}

TEST_P(Examples, PlotOutputs)
{
    auto graph = Run("plot_outputs.ogr");
    EXPECT_EQ(Output(*graph, "statistics").GenericType(), GT_MAP);
    EXPECT_EQ(SizeOf(Output(*graph, "histogram")), 256u);
    const int32_t count = LongOf(Output(*graph, "count"));
    EXPECT_GT(count, 0);
    const CValue& centroids = Output(*graph, "centroids");
    ASSERT_EQ(SizeOf(centroids), static_cast<std::size_t>(count));
    EXPECT_EQ(SizeOf(centroids.Entry(0)), 2u);
}

TEST_P(Examples, XmlGraph)
{
    auto graph = Run("smooth.xml");
    const CImage& smoothed = *UnwrapPointer<CImage>(&Output(*graph, "smoothed"));
    double lo = 0, hi = 0;
    cv::minMaxLoc(PlaneMat(smoothed), &lo, &hi);
    EXPECT_EQ(smoothed.Type(), IMAGE_GREY_8);
    EXPECT_EQ(hi - lo, 255.0) << "normalised to the full range";
}

TEST_P(Examples, FailingGraphRecordsTheFailingNode)
{
    auto graph = LoadAndFeed("fails.ogr", m_scheduler.get());
    graph->Execute();
    testsupport::ExpectWords(testsupport::ErrorOf([&] { graph->CheckError(); }, true),
                             {"broken", "this graph fails on purpose"}, "fails.ogr");
    EXPECT_EQ(graph->GetOutpinData(0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Threads, Examples, ::testing::Values(0, 2));

// input -> blur -> subtract:0 and input -> median -> subtract:1: a band-pass of two branches.
TEST(Diamond, EqualsTheDirectOpenCvCalls)
{
    const char* text = R"({
      "name": "diamond",
      "nodes": {
        "blur":   { "plugin": "%KORADIR%/bin/imgproc::GaussianBlur", "parameters": { "sigma": 2.0 } },
        "median": { "plugin": "%KORADIR%/bin/imgproc::MedianBlur", "parameters": { "size": 5 } },
        "diff":   { "plugin": "%KORADIR%/bin/imgproc::Subtract" }
      },
      "edges": [ "blur:0 -> diff:0", "median:0 -> diff:1" ],
      "inputs": [ { "name": "image", "to": [ "blur:0", "median:0" ] } ],
      "outputs": [ { "name": "difference", "from": "diff:0" } ]
    })";
    std::unique_ptr<CValue> map(CTextSerializer().Deserialize(text));
    OstrelGraph::ThreadScheduler scheduler(2);
    std::unique_ptr<Graph> graph(Graph::LoadFromMap(dynamic_cast<const CValueMap&>(*map), &scheduler));
    std::unique_ptr<CImage> input(CImageIo2::Load((SourceDir() + "/examples/data/cells_3.png").c_str()));
    graph->SetInpinData(0, new CValueOwnedPointer<CImage>(new CImage(*input)));
    graph->Execute();
    graph->CheckError();

    cv::Mat blurred, median, expected;
    cv::GaussianBlur(PlaneMat(*input), blurred, cv::Size(0, 0), 2.0);
    cv::medianBlur(PlaneMat(*input), median, 5);
    cv::subtract(blurred, median, expected);
    const CImage& actual = *UnwrapPointer<CImage>(graph->GetOutpinData(0));
    EXPECT_EQ(cv::norm(PlaneMat(actual), expected, cv::NORM_INF), 0.0);
}
