#include "cae_core/results2d/ReactionForceVisualizer.h"

#include "cae_core/glyphs/BoundaryNormal.h"
#include "host/ca/Application.h"
#include "host/cma/DrawableHolder.h"
#include "host/tdx/BrepAccess.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <variant>

namespace cae_core::fea2d
{

namespace
{
constexpr double kArrowLength = 9.0;      ///< in glyph sizes s
constexpr double kHeadWidthShare = 0.5;   ///< of the arrow length
constexpr double kShaftWidthShare = 0.25; ///< of the arrow length
constexpr double kTextHeight = 6.0;       ///< in s
constexpr double kLabelDrop = 3.0;        ///< the label's baseline lies this many s below the axis
constexpr double kOffset = 19.0;          ///< the glyph's distance from the support point, in s

/// The point a support's reaction is drawn at.
OdGePoint2d supportPoint(const LoadOrSupport& item)
{
    return std::visit(
        [](const auto& r) -> OdGePoint2d
        {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, PointSupport>)
                return r.location;
            else if constexpr (std::is_same_v<T, LinearSupport>)
                return r.flipped ? r.startLocation : r.endLocation;
            else
                return OdGePoint2d::kOrigin;
        },
        item);
}
} // namespace

OdSmartPtr<ReactionForceDrawable> ReactionForceDrawable::createObject(const Context& context,
                                                                      const OdGePoint2d& point,
                                                                      const OdGeVector2d& force,
                                                                      const OdGeVector2d& normal)
{
    return odrxCreateObject<ReactionForceDrawable>(context, point, force, normal);
}

ReactionForceDrawable::ReactionForceDrawable(const Context& context, const OdGePoint2d& point,
                                             const OdGeVector2d& force, const OdGeVector2d& normal)
    : m_label(OdDbText::createObject()), m_arrow(OdDbPolyline::createObject())
{
    const double s = context.supportLoadDrawableSize();
    const double length = kArrowLength * s;
    const double head = length * kHeadWidthShare;
    const double shaft = length * kShaftWidthShare;

    m_arrow->setDatabaseDefaults(context.database());
    const OdGePoint2d outline[] = {
        {length / 2, 0.0},         {0.0, head / 2},   {0.0, shaft / 2}, {-length / 2, shaft / 2},
        {-length / 2, -shaft / 2}, {0.0, -shaft / 2}, {0.0, -head / 2},
    };
    for (const OdGePoint2d& p : outline)
        m_arrow->addVertexAt(m_arrow->numVerts(), p, 0.0, -1.0, -1.0);
    m_arrow->setClosed(true);
    m_arrow->transformBy(OdGeMatrix3d::rotation(force.angle(), OdGeVector3d::kZAxis));

    m_label->setDatabaseDefaults(context.database());
    m_label->setHeight(kTextHeight * s);
    OdString text;
    // The unit questions of the context are not const: they may ask the host for its names.
    text.format(L"%g [%ls]", force.length(), const_cast<Context&>(context).forceUnit().c_str());
    m_label->setTextString(text);
    m_label->setPosition(OdGePoint3d(length / 2, -kLabelDrop * s, 0.0));

    OdGeExtents3d box;
    OdGeExtents3d part;
    if (m_arrow->getGeomExtents(part) == ::eOk)
        box.addExt(part);
    if (m_label->getGeomExtents(part) == ::eOk)
        box.addExt(part);
    const double cornerX = normal.x > 0.0 ? box.minPoint().x : box.maxPoint().x;
    const double cornerY = normal.y > 0.0 ? box.minPoint().y : box.maxPoint().y;
    const OdGePoint2d target = point + normal.normal() * (kOffset * s);
    const OdGeMatrix3d shift =
        OdGeMatrix3d::translation(OdGeVector3d(target.x - cornerX, target.y - cornerY, 0.0));
    m_arrow->transformBy(shift);
    m_label->transformBy(shift);
}

bool ReactionForceDrawable::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    worldDraw->geometry().draw(m_arrow.get());
    worldDraw->geometry().draw(m_label.get());
    return true;
}

ReactionForceVisualizer::ReactionForceVisualizer(const SimulationOutput& output, const Context& context)
{
    ca::Application* app = ca::Application::instance();
    if (!app || !app->currentViewer())
        return;
    OdBrBrep brep;
    if (!tdx::getBrep(output.params.region.get(), brep))
        return;
    for (const auto& [index, force] : output.reactionForces)
    {
        const OdGePoint2d point = supportPoint(output.params.loadsAndSupports.at(index));
        const OdGeVector3d normal = getBoundaryNormalAtPoint(brep, OdGePoint3d(point.x, point.y, 0.0));
        const auto drawable =
            ReactionForceDrawable::createObject(context, point, force, OdGeVector2d(normal.x, normal.y));
        holders.push_back(std::make_unique<cma::DrawableHolder>(drawable, *app->currentViewer()));
    }
}

ReactionForceVisualizer::~ReactionForceVisualizer() = default;

std::vector<const ReactionForceDrawable*> ReactionForceVisualizer::drawables() const
{
    std::vector<const ReactionForceDrawable*> result;
    for (const auto& holder : holders)
        result.push_back(static_cast<const ReactionForceDrawable*>(holder->drawable()));
    return result;
}

} // namespace cae_core::fea2d
