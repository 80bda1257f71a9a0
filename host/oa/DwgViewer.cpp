#include "host/oa/DwgViewer.h"

#include "host/oa/detail/CairoPicture.h"
#include "host/oa/detail/DisplayList.h"
#include "platform/gi/GiGeometry.h"

#include <algorithm>
#include <string>

namespace oa
{

View::View() = default;
View::~View() = default;

void View::add(const OdGiDrawable* drawable)
{
    if (!drawable)
        return;
    auto list = std::make_shared<detail::DisplayList>(detail::record(*drawable));
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [drawable](const Item& i) { return i.drawable.get() == drawable; });
    if (it != m_items.end())
        it->list = std::move(list);
    else
        m_items.push_back(Item{OdGiDrawablePtr(const_cast<OdGiDrawable*>(drawable)), std::move(list)});
}

bool View::erase(const OdGiDrawable* drawable)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [drawable](const Item& i) { return i.drawable.get() == drawable; });
    if (it == m_items.end())
        return false;
    m_items.erase(it);
    return true;
}

bool View::update(const OdGiDrawable* drawable)
{
    if (!contains(drawable))
        return false;
    add(drawable);
    return true;
}

bool View::contains(const OdGiDrawable* drawable) const
{
    return std::any_of(m_items.begin(), m_items.end(),
                       [drawable](const Item& i) { return i.drawable.get() == drawable; });
}

void View::addEntity(const OdSmartPtr<OdDbEntity>& entity)
{
    if (entity && std::find(m_entities.begin(), m_entities.end(), entity) == m_entities.end())
        m_entities.push_back(entity);
}

bool View::eraseEntity(const OdDbEntity* entity)
{
    const auto it = std::find_if(m_entities.begin(), m_entities.end(),
                                 [entity](const OdSmartPtr<OdDbEntity>& e) { return e.get() == entity; });
    if (it == m_entities.end())
        return false;
    m_entities.erase(it);
    return true;
}

void View::fitTo(const OdGeExtents3d& extents)
{
    if (extents.isValidExtents())
        m_window = extents;
    else
        m_window.reset();
}

std::vector<std::shared_ptr<const detail::DisplayList>> View::currentLists() const
{
    std::vector<std::shared_ptr<const detail::DisplayList>> lists;
    // Entities first, so that the transient graphics the host adds lie over the drawing.
    for (const auto& entity : m_entities)
        lists.push_back(std::make_shared<detail::DisplayList>(detail::record(*entity)));
    for (const Item& item : m_items)
        lists.push_back(item.list);
    return lists;
}

OdGeExtents3d View::extents() const
{
    OdGeExtents3d box;
    for (const auto& list : currentLists())
        box.addExt(list->extents);
    return box;
}

std::string View::render(int width, int height, bool vector) const
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw PictureError("a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                           " cannot be made: width and height must lie in 1.." +
                           std::to_string(kMaxPictureSide));
    const auto lists = currentLists();
    return detail::renderPicture(lists, window(lists), width, height, vector);
}

OdGeExtents3d View::window(const std::vector<std::shared_ptr<const detail::DisplayList>>& lists) const
{
    if (m_window)
        return *m_window;
    OdGeExtents3d box;
    for (const auto& list : lists)
        box.addExt(list->extents);
    return box;
}

std::vector<OdGeExtents3d> View::textBoxes(const OdGiDrawable* drawable) const
{
    std::vector<std::shared_ptr<const detail::DisplayList>> lists;
    if (drawable)
    {
        for (const Item& item : m_items)
            if (item.drawable.get() == drawable)
                lists.push_back(item.list);
    }
    else
        lists = currentLists();
    std::vector<OdGeExtents3d> boxes;
    for (const auto& list : lists)
        for (const detail::Primitive& p : list->primitives)
            if (const auto* text = std::get_if<detail::TextPrim>(&p))
            {
                const OdGeVector3d up(-text->direction.y, text->direction.x, 0.0);
                const double length = static_cast<double>(text->characters) * kOdGiCharacterAdvance *
                                      text->height * text->widthFactor;
                OdGeExtents3d box(text->position, text->position);
                box.addPoint(text->position + text->direction * length);
                box.addPoint(text->position + up * text->height);
                box.addPoint(text->position + text->direction * length + up * text->height);
                boxes.push_back(box);
            }
    return boxes;
}

OdGePoint3d View::pictureOf(const OdGePoint3d& world, int width, int height) const
{
    return detail::pictureOf(world, window(currentLists()), width, height);
}

std::string View::renderSvg(int width, int height) const
{
    return render(width, height, true);
}

std::string View::renderPng(int width, int height) const
{
    return render(width, height, false);
}

DwgViewer::DwgViewer() : m_view(std::make_unique<View>()) {}
DwgViewer::~DwgViewer() = default;

void DwgViewer::replaceView()
{
    std::unique_ptr<View> previous = std::exchange(m_view, std::make_unique<View>());
    // A reactor may remove itself while being told.
    const std::vector<DwgViewerReactor*> reactors = m_reactors;
    for (DwgViewerReactor* reactor : reactors)
        if (std::find(m_reactors.begin(), m_reactors.end(), reactor) != m_reactors.end())
            reactor->viewChanged(*this, *previous, *m_view);
}

void DwgViewer::addReactor(DwgViewerReactor* reactor)
{
    if (reactor && std::find(m_reactors.begin(), m_reactors.end(), reactor) == m_reactors.end())
        m_reactors.push_back(reactor);
}

void DwgViewer::removeReactor(DwgViewerReactor* reactor)
{
    std::erase(m_reactors, reactor);
}

} // namespace oa
