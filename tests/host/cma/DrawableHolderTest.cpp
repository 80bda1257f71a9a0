#include "host/cma/DrawableHolder.h"

#include "host/oa/DrawableImpl.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

TEST(DrawableHolder, ShowsItsDrawableWhileItLivesAndFollowsAReplacedView)
{
    oa::DwgViewer viewer;
    const auto d = odrxCreateObject<oa::DrawableImpl>();
    auto holder = std::make_unique<cma::DrawableHolder>(d, viewer);
    EXPECT_TRUE(viewer.view().contains(d.get()));
    EXPECT_EQ(holder->drawable(), d.get());

    viewer.replaceView();
    EXPECT_TRUE(viewer.view().contains(d.get())) << "moved to the new view";
    EXPECT_EQ(d->numRefs(), 3) << "test, holder, new view; the old view is gone";

    holder.reset();
    EXPECT_FALSE(viewer.view().contains(d.get()));
    EXPECT_EQ(d->numRefs(), 1);
    viewer.replaceView(); // a destroyed holder is no longer told
    EXPECT_EQ(viewer.view().numDrawables(), 0u);
}

} // namespace
