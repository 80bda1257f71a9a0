#pragma once

#include "platform/gi/GiDrawable.h"

namespace oa
{
class DwgViewer;
}

namespace ca
{

/// The host application object: what the running host shows now. The program creates one for its run
/// (tests create their own); while it lives it is the instance. Objects nest: destroying one makes the
/// one created before it the instance again. Create and destroy them in nesting order on one thread.
class Application
{
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// The live application object, or null when the host has none (a batch run without a user interface).
    static Application* instance();

    /// The drawing window with the user's attention; null when no drawing is shown. Not owned.
    oa::DwgViewer* currentViewer() const { return m_viewer; }
    void setCurrentViewer(oa::DwgViewer* viewer) { m_viewer = viewer; }

private:
    Application* m_previous = nullptr;
    oa::DwgViewer* m_viewer = nullptr;
};

/// Showing transient drawables in a viewer's view.
namespace drawable
{
/// Shows `drawable` in the viewer's current view (the view keeps a reference).
void addToView(const OdGiDrawable* drawable, oa::DwgViewer& viewer);
/// Removes `drawable` from the viewer's current view; false when it was not shown there.
bool eraseFromView(const OdGiDrawable* drawable, oa::DwgViewer& viewer);
/// Redraws a shown drawable after its geometry changed; nothing happens for one not shown.
void updateOnScreen(const OdGiDrawable* drawable, oa::DwgViewer& viewer);
} // namespace drawable

} // namespace ca
