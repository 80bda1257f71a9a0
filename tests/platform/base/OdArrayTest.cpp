#include "platform/base/OdArray.h"

#include <gtest/gtest.h>

#include <new>

namespace
{
OdInt32Array makeArray()
{
    OdInt32Array a;
    for (int i = 0; i < 5; ++i)
        a.append(i * 10);
    return a;
}

TEST(OdArrayCopyOnWrite, ACopySharesStorageUntilTheFirstChange)
{
    const OdInt32Array original = makeArray();
    OdInt32Array copy = original;
    EXPECT_TRUE(copy.sharesStorageWith(original));
    EXPECT_EQ(copy.getPtr(), original.getPtr());

    copy.setAt(2, 99);
    EXPECT_FALSE(copy.sharesStorageWith(original));
    EXPECT_EQ(original[2], 20);
    EXPECT_EQ(copy[2], 99);
}

TEST(OdArrayCopyOnWrite, TheOriginalIsUnchangedWhenTheCopyGrowsOrShrinks)
{
    OdInt32Array original = makeArray();
    OdInt32Array copy = original;
    copy.append(50);
    copy.removeAt(0);
    EXPECT_EQ(original.size(), 5u);
    EXPECT_EQ(original[0], 0);
    EXPECT_EQ(copy.size(), 5u);
    EXPECT_EQ(copy[0], 10);
    EXPECT_EQ(copy[4], 50);
}

TEST(OdArrayCopyOnWrite, ChangingTheOriginalLeavesTheCopyAsItWas)
{
    OdInt32Array original = makeArray();
    const OdInt32Array copy = original;
    original[0] = -1;
    original.clear();
    EXPECT_TRUE(original.isEmpty());
    ASSERT_EQ(copy.size(), 5u);
    EXPECT_EQ(copy[0], 0);
}

TEST(OdArrayCopyOnWrite, ANonConstIteratorDetachesBeforeWriting)
{
    const OdInt32Array original = makeArray();
    OdInt32Array copy = original;
    for (int& v : copy)
        v += 1;
    EXPECT_EQ(original[4], 40);
    EXPECT_EQ(copy[4], 41);
}

TEST(OdArrayCopyOnWrite, ReadingThroughConstAccessKeepsTheStorageShared)
{
    const OdInt32Array original = makeArray();
    const OdInt32Array copy = original;
    int sum = 0;
    for (int v : copy)
        sum += v;
    EXPECT_EQ(sum, 100);
    EXPECT_EQ(copy[3], 30);
    EXPECT_TRUE(copy.sharesStorageWith(original));
}

TEST(OdArrayCopyOnWrite, AppendingAnArrayToItselfDoublesIt)
{
    OdInt32Array a = makeArray();
    OdInt32Array b = a;
    a.append(b);
    ASSERT_EQ(a.size(), 10u);
    EXPECT_EQ(a[5], 0);
    EXPECT_EQ(a[9], 40);
    EXPECT_EQ(b.size(), 5u);
}

TEST(OdArrayBounds, AccessOutOfRangeRaisesInvalidIndex)
{
    OdInt32Array a = makeArray();
    const OdInt32Array& c = a;
    EXPECT_THROW(a[5], OdError_InvalidIndex);
    EXPECT_THROW(c[5], OdError_InvalidIndex);
    EXPECT_THROW(a.at(100), OdError_InvalidIndex);
    EXPECT_THROW(a.removeAt(5), OdError_InvalidIndex);
    EXPECT_THROW(a.insertAt(6, 1), OdError_InvalidIndex);
    EXPECT_NO_THROW(a.insertAt(5, 1));
}

TEST(OdArrayBounds, AnInvalidIndexErrorCarriesItsResultCode)
{
    OdInt32Array empty;
    try
    {
        empty.last();
        FAIL() << "last() of an empty array must raise";
    }
    catch (const OdError& e)
    {
        EXPECT_EQ(e.code(), eInvalidIndex);
    }
    EXPECT_THROW(empty.removeLast(), OdError_InvalidIndex);
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

TEST(OdArrayMemory, RunningOutOfMemoryWhileDetachingRaisesOutOfMemory)
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
    // Both still share the untouched storage.
    EXPECT_TRUE(copy.sharesStorageWith(original));
    EXPECT_EQ(original[0].value, 1);
}

TEST(OdArraySearch, FindReportsTheFirstMatchFromTheStart)
{
    OdInt32Array a{1, 2, 3, 2};
    OdInt32Array::size_type at = 0;
    ASSERT_TRUE(a.find(2, at));
    EXPECT_EQ(at, 1u);
    ASSERT_TRUE(a.find(2, at, 2));
    EXPECT_EQ(at, 3u);
    EXPECT_FALSE(a.contains(7));
    EXPECT_TRUE(a.remove(2));
    EXPECT_EQ(a, (OdInt32Array{1, 3, 2}));
}
} // namespace
