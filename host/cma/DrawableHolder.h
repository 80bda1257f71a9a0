#pragma once

#include "host/oa/DwgViewer.h"
#include "platform/gi/GiDrawable.h"

namespace cma
{

/// Keeps one transient drawable on screen for as long as the holder lives: creation shows it in the
/// viewer's view at once, a replaced view gets it too, and destruction takes it off. The viewer must
/// outlive the holder.
class DrawableHolder final : private oa::DwgViewerReactor
{
public:
    DrawableHolder(OdGiDrawablePtr drawable, oa::DwgViewer& viewer);
    ~DrawableHolder() override;
    DrawableHolder(const DrawableHolder&) = delete;
    DrawableHolder& operator=(const DrawableHolder&) = delete;

    OdGiDrawable* drawable() const { return m_drawable.get(); }
    oa::DwgViewer& viewer() const { return m_viewer; }
    /// Redraws the drawable after its geometry changed.
    void updateOnScreen() const;

private:
    void viewChanged(oa::DwgViewer& viewer, oa::View& previous, oa::View& current) override;

    OdGiDrawablePtr m_drawable;
    oa::DwgViewer& m_viewer;
};

} // namespace cma
