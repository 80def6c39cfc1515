// Ownership of pointer values: who deletes the object, and when copying must be refused.
#include <gtest/gtest.h>

#include <memory>

#include "kora/kora.h"

using namespace KORA;

namespace {

struct Tracked
{
    static int alive;
    int payload = 7;
    Tracked() { ++alive; }
    ~Tracked() { --alive; }
};
int Tracked::alive = 0;

struct Other
{
    int payload = 7;
};

class PointerValues : public ::testing::Test
{
protected:
    void SetUp() override { Tracked::alive = 0; }
    void TearDown() override { EXPECT_EQ(Tracked::alive, 0) << "an object leaked or was deleted twice"; }
};

} // namespace

TEST_F(PointerValues, OwnedPointerDeletesItsObjectOnce)
{
    {
        CValueOwnedPointer<Tracked> owned(new Tracked);
        EXPECT_TRUE(owned.Owned());
        EXPECT_EQ(owned.Count(), 1u);
        EXPECT_EQ(owned.GenericType(), GT_POINTER);
        EXPECT_EQ(Tracked::alive, 1);
    }
    EXPECT_EQ(Tracked::alive, 0);
    {
        CValueOwnedPointer<Tracked> array(new Tracked[3], 3);
        EXPECT_EQ(Tracked::alive, 3);
    }
}

TEST_F(PointerValues, NonOwningPointerLeavesTheObjectAlone)
{
    Tracked object;
    { CValuePointer<Tracked> view(&object); }
    EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(PointerValues, CloneRules)
{
    CValueOwnedPointer<Tracked> owned(new Tracked);
    try {
        std::unique_ptr<CValue> refused(owned.Clone(COPY_NO_OWNERSHIP));
        FAIL() << "an owned pointer must refuse strategy 0";
    } catch (const CException& e) {
        EXPECT_STREQ(e.what(), "Owned pointers can only be cloned with a valid ownership transfer strategy!");
    }
    EXPECT_TRUE(owned.Owned());

    std::unique_ptr<CValue> shared(owned.Clone(COPY_SHARE_POINTER));
    auto* sharedPointer = dynamic_cast<CValuePointer<Tracked>*>(shared.get());
    ASSERT_NE(sharedPointer, nullptr);
    EXPECT_FALSE(sharedPointer->Owned());
    EXPECT_TRUE(owned.Owned());
    EXPECT_EQ(sharedPointer->Pointer(), owned.Pointer());
    shared.reset();
    EXPECT_EQ(Tracked::alive, 1) << "a shared clone must not delete";

    std::unique_ptr<CValue> moved(owned.Clone(COPY_MOVE_OWNERSHIP));
    EXPECT_FALSE(owned.Owned());
    EXPECT_TRUE(static_cast<CValuePointerBase*>(moved.get())->Owned());
    moved.reset();
    EXPECT_EQ(Tracked::alive, 0) << "the clone that took ownership deletes";
}

TEST_F(PointerValues, CloneOfNonOwningPointerWorksWithEveryStrategy)
{
    Tracked object;
    CValuePointer<Tracked> view(&object);
    view.Meta().SetEntry("label", new CValueString("x"));
    for (int strategy : {0, 1, 2}) {
        std::unique_ptr<CValue> clone(view.Clone(strategy));
        EXPECT_TRUE(clone->Equal(view)) << "strategy " << strategy;
        EXPECT_EQ(clone->Meta().EntryString("label"), "x");
        EXPECT_FALSE(static_cast<CValuePointerBase*>(clone.get())->Owned());
    }
}

TEST_F(PointerValues, CopyRules)
{
    CValueOwnedPointer<Tracked> source(new Tracked);
    CValueOwnedPointer<Tracked> target(new Tracked);
    EXPECT_EQ(Tracked::alive, 2);

    EXPECT_THROW(target.Copy(source, COPY_NO_OWNERSHIP), CException);
    EXPECT_EQ(Tracked::alive, 2) << "a refused copy changes nothing";

    target.Copy(source, COPY_MOVE_OWNERSHIP);
    EXPECT_EQ(Tracked::alive, 1) << "the target released what it owned";
    EXPECT_TRUE(target.Owned());
    EXPECT_FALSE(source.Owned());
    EXPECT_EQ(target.Pointer(), source.Pointer());

    CValuePointer<Tracked> third;
    third.Copy(target, COPY_SHARE_POINTER);
    EXPECT_FALSE(third.Owned());
    EXPECT_TRUE(target.Owned());
}

TEST_F(PointerValues, CopyRefusesOtherElementTypesAndKinds)
{
    Other other;
    CValuePointer<Other> wrong(&other);
    CValuePointer<Tracked> target;
    EXPECT_THROW(target.Copy(wrong), CExBadType);
    EXPECT_THROW(target.Copy(CValueLong(3)), CExBadType);
}

TEST_F(PointerValues, EqualComparesPointersEqualDataComparesBytes)
{
    Tracked a, b;
    CValuePointer<Tracked> pa(&a), pa2(&a), pb(&b);
    EXPECT_TRUE(pa.Equal(pa2));
    EXPECT_FALSE(pa.Equal(pb));
    EXPECT_TRUE(pa.EqualData(pb));
    b.payload = 8;
    EXPECT_FALSE(pa.EqualData(pb));
}

TEST_F(PointerValues, UnwrapPointerSeesThroughSmartHandles)
{
    auto* object = new Tracked;
    CValueSmart handle(new CValueOwnedPointer<Tracked>(object));
    EXPECT_EQ(UnwrapPointer<Tracked>(&handle), object);
    EXPECT_TRUE(IsPointerTo<Tracked>(&handle));
    EXPECT_FALSE(IsPointerTo<Other>(&handle));
    try {
        UnwrapPointer<Other>(&handle);
        FAIL();
    } catch (const CExBadType& e) {
        EXPECT_NE(std::string(e.what()).find("Other"), std::string::npos) << e.what();
    }
    CValueLong notAPointer(1);
    EXPECT_THROW(UnwrapPointer<Tracked>(&notAPointer), CExBadType);
    EXPECT_THROW(UnwrapPointer<Tracked>(nullptr), CExBadType);
}

TEST_F(PointerValues, MapCloneWithOwnedEntryFollowsTheStrategy)
{
    CValueMap map;
    map.SetEntry("image", new CValueOwnedPointer<Tracked>(new Tracked));
    EXPECT_THROW(std::unique_ptr<CValue>(map.Clone(COPY_NO_OWNERSHIP)), CException);
    std::unique_ptr<CValue> moved(map.Clone(COPY_MOVE_OWNERSHIP));
    map.Clear();
    EXPECT_EQ(Tracked::alive, 1) << "ownership went to the clone";
}

TEST_F(PointerValues, ReadableTypeNames)
{
    CValuePointer<Tracked> p;
    EXPECT_NE(HumanReadableTypename(p.Type()).find("CValuePointer"), std::string::npos);
    EXPECT_EQ(HumanReadableTypename(typeid(CValueMap)), "KORA::CValueMap");
    EXPECT_EQ(HumanReadableTypename(CValueLong().Type()), "KORA::CValueLong");
}
