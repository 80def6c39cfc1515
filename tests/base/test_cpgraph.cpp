
#include "graphfixtures.h"
#include "ostrel/ostrel.h"

using namespace KORA;
using graphtest::GraphText;

namespace {

GraphText Chain()
{
    GraphText description = graphtest::Fork();
    description.Node("d", "Delay").Param("d", "ms", new CValueString("$wait")).GraphParam("wait", new CValueLong(1));
    description.Edge("b:0 -> d:0").Output("delayed", "d:0");
    return description;
}

CValue* Vector123()
{
    auto* vector = new CValueVector();
    for (int i = 1; i <= 3; ++i)
        vector->Append(new CValueLong(i));
    return vector;
}

} // namespace

TEST(CPGraph, GivesTheSameOutputsAsGraph)
{
    GraphText description = Chain();
    std::unique_ptr<OstrelGraph::Graph> graph(OstrelGraph::Graph::LoadFromMap(description.Map()));
    OstrelGraph::ThreadScheduler scheduler(2);
    graph->ExchangeThreadScheduler(&scheduler);
    graph->SetInpinData(0, Vector123());
    graph->Execute();
    graph->CheckError();

    CPGraph cp(25);
    cp.DeserializeGraph(description.Map());
    ASSERT_EQ(cp.StackOutputs(), graph->GetOutpinCount());
    cp.SetStackInput(0, Vector123());
    cp.Run();
    for (int pin = 0; pin < cp.StackOutputs(); ++pin) {
        const CValue *expected = graph->GetOutpinData(pin), *got = cp.GetStackOutput(pin, false);
        ASSERT_TRUE(expected && got) << "pin " << pin;
        EXPECT_TRUE(got->EqualData(*expected)) << "pin " << pin;
    }
}

TEST(CPGraph, DetachedOutputsOutliveTheGraph)
{
    std::unique_ptr<CValue> kept;
    auto* image = new CImage(IMAGE_GREY_16, CSize(5, 4));
    {
        GraphText description = Chain();
        CPGraph cp(25);
        cp.DeserializeGraph(description.Map());
        cp.SetStackInput(0, new CValueOwnedPointer<CImage>(image));
        cp.Run();
        kept.reset(cp.GetStackOutput(2, true));
    }
    ASSERT_TRUE(IsPointerTo<CImage>(kept.get()));
    EXPECT_EQ(UnwrapPointer<CImage>(kept.get()), image) << "the image moved, it was not copied";
    EXPECT_TRUE(static_cast<CValuePointer<CImage>*>(kept.get())->Owned());
}

TEST(CPGraph, RunThrowsTheNodesErrorNamingIt)
{
    GraphText description;
    description.Node("f", "Fail").Input("in", {"f:0"}).Param("f", "message", new CValueString("no"));
    CPGraph cp(25);
    cp.DeserializeGraph(description.Map());
    cp.SetStackInput(0, new CValueLong(0));
    EXPECT_EQ(testsupport::ErrorOf([&] { cp.Run(); }, true), "node 'f' (testing::Fail): no");
}

TEST(CPGraph, FailedDeserializationLeavesNoGraph)
{
    CPGraph cp(25);
    EXPECT_THROW(cp.DeserializeGraph("/nonexistent/graph.ogr"), CExIo);
    CValueMap notAGraph;
    notAGraph.SetEntry("nodes", new CValueLong(3));
    EXPECT_EQ(testsupport::ErrorOf([&] { cp.DeserializeGraph(notAGraph); }, true).rfind("graph map: ", 0), 0u);
    EXPECT_EQ(cp.StackInputs(), 0);
    EXPECT_EQ(cp.StackOutputs(), 0);
    EXPECT_EQ(testsupport::ErrorOf([&] { cp.Run(); }, true), "CPGraph: no graph loaded");
    EXPECT_THROW(cp.Parameters(), CException);
}
