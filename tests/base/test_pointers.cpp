// Ownership of pointer values: who deletes the object, and when copying must be refused.

#include "testsupport.h"

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
};

class PointerValues : public ::testing::Test
{
protected:
    void SetUp() override { Tracked::alive = 0; }
    void TearDown() override { EXPECT_EQ(Tracked::alive, 0) << "an object leaked or was deleted twice"; }
};

} // namespace

TEST_F(PointerValues, OnlyOwnedPointersDeleteTheirObjects)
{
    Tracked object;
    { CValuePointer<Tracked> view(&object); }
    { CValueOwnedPointer<Tracked> array(new Tracked[3], 3); EXPECT_EQ(Tracked::alive, 4); }
    EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(PointerValues, CloneRules)
{
    CValueOwnedPointer<Tracked> owned(new Tracked);
    EXPECT_EQ(testsupport::ErrorOf([&] { delete owned.Clone(COPY_NO_OWNERSHIP); }),
              "Owned pointers can only be cloned with a valid ownership transfer strategy!");

    std::unique_ptr<CValue> shared(owned.Clone(COPY_SHARE_POINTER));
    EXPECT_FALSE(static_cast<CValuePointerBase*>(shared.get())->Owned());
    shared.reset();
    EXPECT_EQ(Tracked::alive, 1) << "a shared clone must not delete";

    std::unique_ptr<CValue> moved(owned.Clone(COPY_MOVE_OWNERSHIP));
    EXPECT_FALSE(owned.Owned());
    moved.reset();
    EXPECT_EQ(Tracked::alive, 0) << "the clone that took ownership deletes";

    // A view clones with every strategy and stays a view.
    Tracked object;
    CValuePointer<Tracked> view(&object);
    for (int strategy : {0, 1, 2}) {
        std::unique_ptr<CValue> clone(view.Clone(strategy));
        EXPECT_TRUE(clone->Equal(view)) << "strategy " << strategy;
        EXPECT_FALSE(static_cast<CValuePointerBase*>(clone.get())->Owned());
    }
}

TEST_F(PointerValues, CopyRules)
{
    CValueOwnedPointer<Tracked> source(new Tracked);
    CValueOwnedPointer<Tracked> target(new Tracked);
    EXPECT_THROW(target.Copy(source, COPY_NO_OWNERSHIP), CException);
    EXPECT_EQ(Tracked::alive, 2) << "a refused copy changes nothing";

    target.Copy(source, COPY_MOVE_OWNERSHIP);
    EXPECT_EQ(Tracked::alive, 1) << "the target released what it owned";
    EXPECT_FALSE(source.Owned());

    CValuePointer<Tracked> third;
    third.Copy(target, COPY_SHARE_POINTER);
    EXPECT_FALSE(third.Owned());
    EXPECT_TRUE(target.Owned());
    Other other;
    EXPECT_THROW(third.Copy(CValuePointer<Other>(&other)), CExBadType) << "another element type";
}

TEST_F(PointerValues, EqualComparesPointersEqualDataComparesBytes)
{
    Tracked a, b;
    CValuePointer<Tracked> pa(&a), pb(&b);
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
    EXPECT_FALSE(IsPointerTo<Other>(&handle));
    EXPECT_NE(testsupport::ErrorOf([&] { UnwrapPointer<Other>(&handle); }).find("Other"), std::string::npos);
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
