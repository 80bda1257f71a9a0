#include "platform/cm/CmColor.h"

#include "platform/base/OdError.h"

#include <gtest/gtest.h>

namespace
{

TEST(ColorPalette, GivesThePalettesColoursForNamedHueAndGreyIndices)
{
    const std::pair<int, std::uint32_t> cases[] = {
        {1, 0xFF0000},   {2, 0xFFFF00},   {5, 0x0000FF},   {7, 0xFFFFFF},   {8, 0x808080},   {10, 0xFF0000},
        {11, 0xFF7F7F},  {12, 0xCC0000},  {13, 0xCC6666},  {19, 0x4C2626},  {20, 0xFF3F00},  {21, 0xFF9F7F},
        {30, 0xFF7F00},  {80, 0x3FFF00},  {90, 0x00FF00},  {130, 0x00FFFF}, {170, 0x0000FF}, {210, 0xFF00FF},
        {249, 0x4C262F}, {250, 0x333333}, {255, 0xFFFFFF},
    };
    for (const auto& [index, rgb] : cases)
        EXPECT_EQ(OdCmEntityColor::lookUpRGB(index), rgb) << "index " << index;
    EXPECT_THROW(OdCmEntityColor::lookUpRGB(0), OdError);
    EXPECT_THROW(OdCmEntityColor::lookUpRGB(256), OdError);
}

TEST(EntityColor, KeepsMethodChannelsAndIndexInStep)
{
    OdCmEntityColor c;
    EXPECT_TRUE(c.isByLayer());
    EXPECT_EQ(c.colorIndex(), OdCmEntityColor::kACIbyLayer);

    c.setRGB(12, 34, 56);
    EXPECT_TRUE(c.isByColor());
    EXPECT_EQ(c.red(), 12);
    EXPECT_EQ(c.green(), 34);
    EXPECT_EQ(c.blue(), 56);

    c.setColorIndex(3);
    EXPECT_TRUE(c.isByACI());
    EXPECT_EQ(c.colorIndex(), 3);
    EXPECT_EQ(c.green(), 255);
    EXPECT_EQ(c.red(), 0);

    c.setColorIndex(0);
    EXPECT_TRUE(c.isByBlock());
    c.setColorIndex(256);
    EXPECT_TRUE(c.isByLayer());
    EXPECT_THROW(c.setColorIndex(257), OdError);
    EXPECT_TRUE(c.isByLayer()) << "a refused index changes nothing";

    // A true colour answers with the nearest palette entry.
    c.setRGB(250, 2, 3);
    EXPECT_EQ(c.colorIndex(), 1);
}

TEST(CmColor, WrapsTheEntityColourAndComparesByValue)
{
    OdCmColor a;
    EXPECT_TRUE(a.isByLayer());
    a.setRGB(1, 2, 3);
    OdCmColor b = a;
    EXPECT_EQ(a, b);
    b.setRGB(1, 2, 4);
    EXPECT_FALSE(a == b);
    EXPECT_EQ(a.entityColor(), OdCmEntityColor(1, 2, 3));
}

} // namespace
