#include "host/ca/Application.h"

#include "host/oa/DwgViewer.h"

namespace ca
{

namespace
{
Application* s_instance = nullptr;
}

Application::Application() : m_previous(s_instance)
{
    s_instance = this;
}

Application::~Application()
{
    s_instance = m_previous;
}

Application* Application::instance()
{
    return s_instance;
}

namespace drawable
{
void addToView(const OdGiDrawable* drawable, oa::DwgViewer& viewer)
{
    viewer.view().add(drawable);
}

bool eraseFromView(const OdGiDrawable* drawable, oa::DwgViewer& viewer)
{
    return viewer.view().erase(drawable);
}

void updateOnScreen(const OdGiDrawable* drawable, oa::DwgViewer& viewer)
{
    viewer.view().update(drawable);
}
} // namespace drawable

} // namespace ca
