#pragma once

#include "platform/base/SmartPtr.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/gi/GiDrawable.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace oa
{

namespace detail
{
struct DisplayList;
}

/// A picture the view could not produce (a size out of range, the graphics library failing).
class PictureError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// What one view of a drawing shows: database entities it is asked to show and transient drawables
/// added to it, rendered as pictures (SVG or PNG through Cairo).
///
/// Transient drawables are drawn when they are added and again when they are updated (as a screen
/// keeps what it last drew); entities are drawn afresh for every picture, as the database tells the
/// view of their changes. The picture is white, world y points up, and the world window is the
/// extents of everything shown (or the window fixed by fitTo) with a margin, at one scale in x and y.
class View
{
public:
    View();
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    /// Adds a drawable (the view keeps a reference) and draws it; adding one already shown redraws it.
    void add(const OdGiDrawable* drawable);
    /// Removes a drawable; false when it was not shown.
    bool erase(const OdGiDrawable* drawable);
    /// Draws a shown drawable again; false when it is not shown.
    bool update(const OdGiDrawable* drawable);
    bool contains(const OdGiDrawable* drawable) const;
    /// Number of transient drawables shown.
    std::size_t numDrawables() const { return m_items.size(); }

    /// Shows a database entity, drawn in its current state at every picture.
    void addEntity(const OdSmartPtr<OdDbEntity>& entity);
    bool eraseEntity(const OdDbEntity* entity);
    std::size_t numEntities() const { return m_entities.size(); }

    /// Fixes the world window to `extents` (plus the margin) for every later picture; an invalid box
    /// returns to fitting the content.
    void fitTo(const OdGeExtents3d& extents);
    /// The box of everything shown now; invalid when nothing is shown.
    OdGeExtents3d extents() const;

    /// The box of each text shown now, or only of those `drawable` drew: from the baseline to the
    /// cap height, as long as the text's characters advance, in world coordinates. Hosts check the
    /// placement of labels against them.
    std::vector<OdGeExtents3d> textBoxes(const OdGiDrawable* drawable = nullptr) const;

    /// Where a world point lands in a picture of width x height rendered now (x right, y down).
    OdGePoint3d pictureOf(const OdGePoint3d& world, int width, int height) const;

    /// The picture as an SVG document of width x height points, or as a PNG image of width x height
    /// pixels. PictureError for a size outside 1..kMaxPictureSide or when the library fails.
    std::string renderSvg(int width, int height) const;
    std::string renderPng(int width, int height) const;

    /// The largest width or height of a picture.
    static constexpr int kMaxPictureSide = 16384;

private:
    struct Item
    {
        OdGiDrawablePtr drawable;
        std::shared_ptr<detail::DisplayList> list;
    };
    std::vector<std::shared_ptr<const detail::DisplayList>> currentLists() const;
    OdGeExtents3d window(const std::vector<std::shared_ptr<const detail::DisplayList>>& lists) const;
    std::string render(int width, int height, bool vector) const;

    std::vector<Item> m_items;
    std::vector<OdSmartPtr<OdDbEntity>> m_entities;
    std::optional<OdGeExtents3d> m_window;
};

class DwgViewer;

/// Told when a viewer's view is replaced, so that whoever shows drawables in it can move them along.
class DwgViewerReactor
{
public:
    virtual ~DwgViewerReactor() = default;
    /// `previous` is still alive during the call; the viewer shows `current` from now on.
    virtual void viewChanged(DwgViewer& viewer, View& previous, View& current) = 0;
};

/// The host's drawing window: it shows one view at a time. Reactors are not owned; remove a reactor
/// before it is destroyed.
class DwgViewer
{
public:
    DwgViewer();
    ~DwgViewer();
    DwgViewer(const DwgViewer&) = delete;
    DwgViewer& operator=(const DwgViewer&) = delete;

    View& view() { return *m_view; }
    const View& view() const { return *m_view; }
    /// Starts a new, empty view (as when the user switches layouts) and tells the reactors.
    void replaceView();

    void addReactor(DwgViewerReactor* reactor);
    void removeReactor(DwgViewerReactor* reactor);

private:
    std::unique_ptr<View> m_view;
    std::vector<DwgViewerReactor*> m_reactors;
};

} // namespace oa
