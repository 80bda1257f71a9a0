#include "host/ca/Application.h"

#include "host/oa/DrawableImpl.h"
#include "host/oa/DwgViewer.h"

#include <gtest/gtest.h>

namespace
{

TEST(Application, TheLatestLiveObjectIsTheInstanceAndTheOneBeforeItReturns)
{
    EXPECT_EQ(ca::Application::instance(), nullptr);
    {
        ca::Application outer;
        EXPECT_EQ(ca::Application::instance(), &outer);
        EXPECT_EQ(outer.currentViewer(), nullptr);
        {
            ca::Application inner;
            EXPECT_EQ(ca::Application::instance(), &inner);
        }
        EXPECT_EQ(ca::Application::instance(), &outer);
    }
    EXPECT_EQ(ca::Application::instance(), nullptr);
}

TEST(DrawableFunctions, AddEraseAndUpdateActOnTheViewersCurrentView)
{
    oa::DwgViewer viewer;
    const auto d = odrxCreateObject<oa::DrawableImpl>();
    ca::drawable::addToView(d.get(), viewer);
    EXPECT_TRUE(viewer.view().contains(d.get()));
    ca::drawable::updateOnScreen(d.get(), viewer);
    EXPECT_EQ(viewer.view().numDrawables(), 1u);
    EXPECT_TRUE(ca::drawable::eraseFromView(d.get(), viewer));
    EXPECT_FALSE(ca::drawable::eraseFromView(d.get(), viewer));
    ca::drawable::updateOnScreen(d.get(), viewer);
    EXPECT_FALSE(viewer.view().contains(d.get())) << "updating does not show an erased drawable";
}

} // namespace
