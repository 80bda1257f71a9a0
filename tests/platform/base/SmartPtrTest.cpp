#include "platform/base/SmartPtr.h"
#include "platform/base/RxObject.h"
#include "platform/base/SharedPtr.h"

#include <gtest/gtest.h>

namespace
{
/// Counts live instances so that a test sees exactly when one is deleted.
struct Tracked : OdRxObject
{
    static inline int s_alive = 0;
    Tracked() { ++s_alive; }
    ~Tracked() override { --s_alive; }
};

struct Derived : Tracked
{
};

TEST(OdSmartPtrCounting, TheObjectIsDeletedWithTheLastReferenceAndNotBefore)
{
    Tracked::s_alive = 0;
    {
        OdSmartPtr<Tracked> a = odrxCreateObject<Tracked>();
        EXPECT_EQ(a->numRefs(), 1);
        {
            OdSmartPtr<Tracked> b = a;
            EXPECT_EQ(a->numRefs(), 2);
            OdSmartPtr<Tracked> c = std::move(b);
            EXPECT_TRUE(b.isNull());
            EXPECT_EQ(a->numRefs(), 2);
        }
        EXPECT_EQ(a->numRefs(), 1);
        a = odrxCreateObject<Tracked>(); // assigning over the last reference deletes the old object
        EXPECT_EQ(Tracked::s_alive, 1);
        a = a; // self-assignment must not release the object
        EXPECT_EQ(Tracked::s_alive, 1);
        OdSmartPtr<Tracked> other = odrxCreateObject<Tracked>();
        other.release();
        EXPECT_EQ(Tracked::s_alive, 1);
    }
    EXPECT_EQ(Tracked::s_alive, 0);
}

TEST(OdSmartPtrCasts, CastGivesNullForAnUnrelatedClassAndDereferencingNullRaises)
{
    OdSmartPtr<OdRxObject> derived = odrxCreateObject<Derived>();
    EXPECT_TRUE(derived->isKindOf<Tracked>());
    EXPECT_FALSE(OdSmartPtr<Derived>::cast(derived).isNull());
    OdSmartPtr<OdRxObject> plain = odrxCreateObject<Tracked>();
    EXPECT_FALSE(plain->isKindOf<Derived>());
    const OdSmartPtr<Derived> none = OdSmartPtr<Derived>::cast(plain);
    EXPECT_TRUE(none.isNull());
    try
    {
        none->numRefs();
        FAIL() << "dereferencing a null smart pointer must raise";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eNullPtr);
    }
}

TEST(OdSharedPtrCounting, TheObjectIsDeletedWithTheLastOwner)
{
    struct Plain
    {
        int* alive;
        explicit Plain(int* a) : alive(a) { ++*alive; }
        ~Plain() { --*alive; }
    };
    int alive = 0;
    {
        OdSharedPtr<Plain> a(new Plain(&alive));
        OdSharedPtr<Plain> b = a;
        EXPECT_EQ(a.refCount(), 2);
        b.reset();
        EXPECT_EQ(a.refCount(), 1);
        EXPECT_EQ(alive, 1);
        OdSharedPtr<Plain> c(std::move(a));
        EXPECT_TRUE(a.isNull());
        EXPECT_EQ(c.refCount(), 1);
    }
    EXPECT_EQ(alive, 0);
}
} // namespace
