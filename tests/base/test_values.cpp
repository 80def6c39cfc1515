// Values: key paths, entry access, merge copies, equality and smart handles.

#include "testsupport.h"

using namespace KORA;

TEST(KeyPaths, SetEntryCreatesMissingMapsAndRemoveEntryDropsTheSubtree)
{
    CValueMap parameters;
    parameters.SetEntry("sigma", new CValueDouble(2.0));
    parameters.SetEntry("__parent/parameters/run_index", new CValueLong(4));
    parameters.SetEntry("sigma", new CValueString("again"));
    EXPECT_EQ(parameters.EntryLong("__parent/parameters/run_index"), 4);
    EXPECT_EQ(parameters.Keys(), (std::vector<std::string>{"sigma", "__parent"})) << "replacing keeps the position";
    EXPECT_TRUE(parameters.RemoveEntry("__parent"));
    EXPECT_FALSE(parameters.RemoveEntry("__parent"));
    EXPECT_EQ(parameters.Size(), 1u);
}

TEST(KeyPaths, PathsGoThroughVectorsAndSmartHandles)
{
    CValueMap root;
    auto* list = new CValueVector;
    list->Append(new CValueLong(10));
    auto* inner = new CValueMap;
    list->Append(new CValueSmart(inner));
    root.SetEntry("list", list);

    EXPECT_EQ(root.EntryLong("list/0"), 10);
    EXPECT_TRUE(root.HasEntry("list/1", GT_MAP)) << "a smart entry matches the kind it holds";
    root.SetEntry("list/1/y", new CValueBool(true));
    EXPECT_TRUE(inner->EntryBool("y"));
    EXPECT_FALSE(root.HasEntry("list/7"));
    EXPECT_FALSE(root.HasEntry("list/x"));
    CValueMap init;
    init.SetEntry("stack_in/0", new CValueLong(0));
    EXPECT_TRUE(init.Entry("stack_in").HasEntry(0, GT_LONG)) << "maps take index keys as names";
}

TEST(EntryAccess, DefaultsKindsAndMessages)
{
    CValueMap map;
    map.SetEntry("n", new CValueLong(3));
    map.SetEntry("s", new CValueString("text"));
    EXPECT_EQ(map.EntryLong("missing", 42), 42);
    EXPECT_DOUBLE_EQ(map.EntryDouble("n"), 3.0) << "a long reads as a double";
    EXPECT_THROW(map.EntryLong("s"), CExBadType);
    EXPECT_NE(testsupport::ErrorOf([&] { map.Entry("nope"); }).find("nope"), std::string::npos);
    EXPECT_THROW(CValueLong(1).SetEntry("x", new CValueLong(2)), CExBadType);
}

TEST(Vectors, DetachingLeavesTheSize)
{
    CValueVector vector(3);
    vector.SetEntry(5, new CValueLong(5));
    std::unique_ptr<CValue> detached(vector.Detach(5));
    EXPECT_EQ(vector.Size(), 6u);
    EXPECT_TRUE(vector.Equal(CValueVector(6)));
    EXPECT_THROW(vector.SetEntry("name", new CValueLong(1)), CExBadType);
}

TEST(CopyAndClone, MergeReplacesAndAddsRecursively)
{
    auto target = testsupport::Parse(R"({"sigma": 1.0, "keep": 1, "advanced": {"a": 1, "b": 2}})");
    const auto source = testsupport::Parse(R"({"sigma": 3.0, "added": "x", "advanced": {"b": 20}})");
    target->Copy(*source, COPY_NO_OWNERSHIP, true);
    EXPECT_TRUE(target->Equal(*testsupport::Parse(R"({"sigma": 3.0, "keep": 1, "advanced": {"a": 1, "b": 20}, "added": "x"})")))
        << "nested maps merge, not replace";
    target->Copy(*source, COPY_NO_OWNERSHIP, false);
    EXPECT_TRUE(target->Equal(*source));
}

TEST(CopyAndClone, DeepCopiesAreIndependentAndKindsMustMatch)
{
    auto original = testsupport::Parse(R"({"v": [1]})");
    std::unique_ptr<CValue> clone(original->Clone());
    clone->SetEntry("v/0", new CValueLong(2));
    EXPECT_EQ(original->EntryLong("v/0"), 1);
    CValueLong number(1);
    EXPECT_THROW(number.Copy(CValueDouble(1.0)), CExBadType);
    EXPECT_THROW(original->Copy(CValueVector()), CExBadType);
}

TEST(Equality, DoublesAndMeta)
{
    EXPECT_TRUE(CValueDouble(std::nan("")).Equal(CValueDouble(std::nan(""))));
    EXPECT_FALSE(CValueDouble(0.0).Equal(CValueDouble(-0.0)));
    EXPECT_FALSE(CValueLong(1).Equal(CValueDouble(1.0)));

    CValueString a("x"), b("x");
    a.Meta().SetEntry("unused", new CValueBool(true));
    EXPECT_FALSE(a.Equal(b));
    EXPECT_TRUE(a.EqualData(b));
    b.Copy(a);
    EXPECT_TRUE(a.Equal(b)) << "Copy brings the meta data along";
    CValueString c("y");
    c.Meta(); // an empty meta map is no meta data
    EXPECT_TRUE(c.Equal(CValueString("y")));
}

TEST(SmartHandles, HandlesShareOneValue)
{
    auto* handle = new CValueSmart(new CValueLong(5));
    std::unique_ptr<CValue> second(handle->Clone());
    const CValue* shared = handle->Get();
    delete handle;
    EXPECT_EQ(Unwrap(second.get()), shared) << "the value outlives the first handle";
}
