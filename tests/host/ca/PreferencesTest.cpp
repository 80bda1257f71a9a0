#include "host/ca/Preferences.h"

#include <gtest/gtest.h>

namespace
{
TEST(Preferences, KeepOneHighlightColourIndexForTheProcessAndRefuseIndicesOutsideTheTable)
{
    ca::Preferences& prefs = ca::preferences();
    EXPECT_EQ(&prefs, &ca::preferences());
    const short before = prefs.highlightColorIndex();
    EXPECT_TRUE(prefs.setHighlightColorIndex(6));
    EXPECT_EQ(ca::preferences().highlightColorIndex(), 6);
    EXPECT_FALSE(prefs.setHighlightColorIndex(0));
    EXPECT_FALSE(prefs.setHighlightColorIndex(256));
    EXPECT_EQ(prefs.highlightColorIndex(), 6);
    prefs.setHighlightColorIndex(before);
}
} // namespace
