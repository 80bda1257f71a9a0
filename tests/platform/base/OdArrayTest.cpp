#include "platform/base/OdArray.h"

#include <gtest/gtest.h>

#include <new>

namespace
{
const OdInt32Array kFive{0, 10, 20, 30, 40};

TEST(OdArrayCopyOnWrite, ACopySharesStorageUntilEitherSideChangesIt)
{
    const OdInt32Array original = kFive;
    OdInt32Array copy = original;
    EXPECT_TRUE(copy.sharesStorageWith(original));
    EXPECT_EQ(copy.getPtr(), original.getPtr());
    const OdInt32Array& reader = copy;
    int sum = 0;
    for (int v : reader)
        sum += v;
    EXPECT_EQ(sum + reader[3], 130);
    EXPECT_TRUE(copy.sharesStorageWith(original)) << "reading through const access keeps the storage shared";

    copy.setAt(2, 99);
    EXPECT_FALSE(copy.sharesStorageWith(original));
    EXPECT_EQ(original[2], 20);
    EXPECT_EQ(copy[2], 99);

    OdInt32Array grown = original, iterated = original, changed = original;
    grown.append(50);
    grown.removeAt(0);
    for (int& v : iterated) // a non-const iterator detaches before writing
        v += 1;
    const OdInt32Array keep = changed;
    changed[0] = -1;
    changed.clear();
    EXPECT_EQ(original, kFive);
    EXPECT_EQ(keep, kFive);
    EXPECT_EQ(grown, (OdInt32Array{10, 20, 30, 40, 50}));
    EXPECT_EQ(iterated, (OdInt32Array{1, 11, 21, 31, 41}));
    EXPECT_TRUE(changed.isEmpty());

    OdInt32Array self = kFive;
    self.append(self); // appending an array to itself (its own storage) doubles it
    EXPECT_EQ(self, (OdInt32Array{0, 10, 20, 30, 40, 0, 10, 20, 30, 40}));
    EXPECT_EQ(kFive.size(), 5u);
}

TEST(OdArrayBounds, AccessOutOfRangeRaisesInvalidIndex)
{
    OdInt32Array a = kFive;
    const OdInt32Array& c = a;
    EXPECT_THROW(a[5], OdError_InvalidIndex);
    EXPECT_THROW(c[5], OdError_InvalidIndex);
    EXPECT_THROW(a.at(100), OdError_InvalidIndex);
    EXPECT_THROW(a.removeAt(5), OdError_InvalidIndex);
    EXPECT_THROW(a.insertAt(6, 1), OdError_InvalidIndex);
    EXPECT_NO_THROW(a.insertAt(5, 1));
    OdInt32Array empty;
    EXPECT_THROW(empty.removeLast(), OdError_InvalidIndex);
    try
    {
        empty.last();
        FAIL() << "last() of an empty array must raise";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eInvalidIndex);
    }
}

/// An element whose copies fail as if memory ran out, once armed.
struct FailingCopy
{
    static inline bool s_armed = false;
    int value = 0;
    FailingCopy(int v) : value(v) {}
    FailingCopy(const FailingCopy& o) : value(o.value)
    {
        if (s_armed)
            throw std::bad_alloc();
    }
    FailingCopy& operator=(const FailingCopy&) = default;
    bool operator==(const FailingCopy&) const = default;
};

TEST(OdArrayMemory, RunningOutOfMemoryWhileDetachingRaisesOutOfMemoryAndKeepsBothArrays)
{
    OdArray<FailingCopy> original{1, 2, 3};
    OdArray<FailingCopy> copy = original;
    FailingCopy::s_armed = true;
    try
    {
        copy[0].value = 9;
        FAIL() << "the detaching copy must fail";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eOutOfMemory);
    }
    EXPECT_THROW(copy.append(FailingCopy(4)), OdError);
    FailingCopy::s_armed = false;
    EXPECT_TRUE(copy.sharesStorageWith(original));
    EXPECT_EQ(original[0].value, 1);
}
} // namespace
