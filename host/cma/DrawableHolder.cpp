#include "host/cma/DrawableHolder.h"

#include "host/ca/Application.h"

namespace cma
{

DrawableHolder::DrawableHolder(OdGiDrawablePtr drawable, oa::DwgViewer& viewer)
    : m_drawable(std::move(drawable)), m_viewer(viewer)
{
    ca::drawable::addToView(m_drawable.get(), m_viewer);
    m_viewer.addReactor(this);
}

DrawableHolder::~DrawableHolder()
{
    m_viewer.removeReactor(this);
    ca::drawable::eraseFromView(m_drawable.get(), m_viewer);
}

void DrawableHolder::updateOnScreen() const
{
    ca::drawable::updateOnScreen(m_drawable.get(), m_viewer);
}

void DrawableHolder::viewChanged(oa::DwgViewer&, oa::View& previous, oa::View& current)
{
    previous.erase(m_drawable.get());
    current.add(m_drawable.get());
}

} // namespace cma
