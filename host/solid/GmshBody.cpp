#include "host/solid/GmshBody.h"

#include "host/solid/GmshSession.h"
#include "host/solid/KernelOutput.h"
#include "host/solid/StepImport.h"
#include "host/ut/File.h"

#include <gmsh.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace solid
{
struct GmshBody::Recipe
{
    enum EKind
    {
        eBox,
        eCylinder,
        eSphere,
        eUnion,
        eDifference,
        eIntersection,
        eBrep
    };
    EKind kind;
    std::vector<double> numbers;
    std::vector<std::shared_ptr<const Recipe>> operands;
    std::filesystem::path path;
    /// Keeps the folder of a BREP file alive while a recipe replays it.
    std::shared_ptr<const detail::ScratchFolder> scratch;
};

namespace
{
using Recipe = GmshBody::Recipe;

// Replays a construction into the current model and returns its volumes.
gmsh::vectorpair replay(const Recipe& r)
{
    namespace occ = gmsh::model::occ;
    const auto& n = r.numbers;
    gmsh::vectorpair out;
    std::vector<gmsh::vectorpair> map;
    switch (r.kind)
    {
    case Recipe::eBox:
        return {{3, occ::addBox(n[0], n[1], n[2], n[3], n[4], n[5])}};
    case Recipe::eCylinder:
        return {{3, occ::addCylinder(n[0], n[1], n[2], n[3], n[4], n[5], n[6])}};
    case Recipe::eSphere:
        return {{3, occ::addSphere(n[0], n[1], n[2], n[3])}};
    case Recipe::eUnion:
    case Recipe::eDifference:
    {
        // One kernel call for all operands: fusing or cutting them one at a time would rebuild the
        // growing result at every step.
        gmsh::vectorpair tools;
        for (std::size_t i = 1; i < r.operands.size(); ++i)
        {
            const gmsh::vectorpair volumes = replay(*r.operands[i]);
            tools.insert(tools.end(), volumes.begin(), volumes.end());
        }
        if (r.kind == Recipe::eUnion)
            occ::fuse(replay(*r.operands[0]), tools, out, map);
        else
            occ::cut(replay(*r.operands[0]), tools, out, map);
        break;
    }
    case Recipe::eIntersection:
        // The kernel intersects an object with the union of its tools, so a common part of several
        // operands is taken one operand at a time.
        out = replay(*r.operands[0]);
        for (std::size_t i = 1; i < r.operands.size() && !out.empty(); ++i)
        {
            gmsh::vectorpair common;
            occ::intersect(out, replay(*r.operands[i]), common, map);
            out = std::move(common);
        }
        break;
    case Recipe::eBrep:
        occ::importShapes(r.path.string(), out, true, "brep");
        break;
    }
    gmsh::vectorpair volumes;
    for (const auto& dimTag : out)
        if (dimTag.first == 3)
            volumes.push_back(dimTag);
    return volumes;
}

std::shared_ptr<const Recipe> recipe(Recipe::EKind kind, std::vector<double> numbers,
                                     std::vector<std::shared_ptr<const Recipe>> operands = {})
{
    return std::make_shared<const Recipe>(Recipe{kind, std::move(numbers), std::move(operands), {}, nullptr});
}

OdGeExtents3d boundingBox(int dim, int tag)
{
    double x0, y0, z0, x1, y1, z1;
    gmsh::model::getBoundingBox(dim, tag, x0, y0, z0, x1, y1, z1);
    return OdGeExtents3d(OdGePoint3d(x0, y0, z0), OdGePoint3d(x1, y1, z1));
}
} // namespace

int gmshDimension(OdDb::SubentType type)
{
    switch (type)
    {
    case OdDb::kFaceSubentType:
        return 2;
    case OdDb::kEdgeSubentType:
        return 1;
    case OdDb::kVertexSubentType:
        return 0;
    default:
        return -1;
    }
}

GmshBody::GmshBody(std::string model, std::shared_ptr<const Recipe> recipe)
    : m_model(std::move(model)), m_recipe(std::move(recipe))
{
}

GmshBody::~GmshBody()
{
    try
    {
        GmshSession session(m_model);
        gmsh::model::remove();
    }
    catch (...)
    {
    }
}

std::shared_ptr<GmshBody> GmshBody::build(std::shared_ptr<const Recipe> r, std::string* error)
{
    GmshSession session;
    const std::string model = GmshSession::newModelName();
    KernelOutput kernel;
    try
    {
        gmsh::model::add(model);
        const gmsh::vectorpair volumes = replay(*r);
        gmsh::model::occ::synchronize();
        if (session.failed())
            throw std::runtime_error(kernel.text());
        if (volumes.empty())
            throw std::runtime_error("the construction has no volume");
        return std::shared_ptr<GmshBody>(new GmshBody(model, std::move(r)));
    }
    catch (const std::exception& e)
    {
        if (error)
            *error = session.failureMessage(&e);
    }
    catch (...)
    {
        if (error)
            *error = session.failureMessage();
    }
    try
    {
        gmsh::model::setCurrent(model);
        gmsh::model::remove();
    }
    catch (...)
    {
    }
    return nullptr;
}

std::shared_ptr<GmshBody> GmshBody::box(const OdGePoint3d& c, const OdGeVector3d& s, std::string* error)
{
    return build(recipe(Recipe::eBox, {c.x, c.y, c.z, s.x, s.y, s.z}), error);
}

std::shared_ptr<GmshBody> GmshBody::cylinder(const OdGePoint3d& b, const OdGeVector3d& a, double radius,
                                             std::string* error)
{
    return build(recipe(Recipe::eCylinder, {b.x, b.y, b.z, a.x, a.y, a.z, radius}), error);
}

std::shared_ptr<GmshBody> GmshBody::sphere(const OdGePoint3d& c, double radius, std::string* error)
{
    return build(recipe(Recipe::eSphere, {c.x, c.y, c.z, radius}), error);
}

std::shared_ptr<GmshBody> GmshBody::unite(const GmshBody& a, const GmshBody& b, std::string* error)
{
    return combine(eUnite, {&a, &b}, error);
}

std::shared_ptr<GmshBody> GmshBody::subtract(const GmshBody& a, const GmshBody& b, std::string* error)
{
    return combine(eSubtract, {&a, &b}, error);
}

std::shared_ptr<GmshBody> GmshBody::intersect(const GmshBody& a, const GmshBody& b, std::string* error)
{
    return combine(eIntersect, {&a, &b}, error);
}

std::shared_ptr<GmshBody> GmshBody::combine(EBoolean operation, const std::vector<const GmshBody*>& operands,
                                            std::string* error)
{
    if (operands.empty() || std::find(operands.begin(), operands.end(), nullptr) != operands.end())
    {
        if (error)
            *error = "a boolean operation needs at least one body";
        return nullptr;
    }
    std::vector<std::shared_ptr<const Recipe>> recipes;
    for (const GmshBody* operand : operands)
        recipes.push_back(operand->m_recipe);
    const Recipe::EKind kind = operation == eUnite      ? Recipe::eUnion
                               : operation == eSubtract ? Recipe::eDifference
                                                        : Recipe::eIntersection;
    return build(recipe(kind, {}, std::move(recipes)), error);
}

std::shared_ptr<GmshBody> GmshBody::importStep(const OdString& path, OdDb::UnitsValue units,
                                               std::string* error)
{
    const std::string file = ut::convFileNameToMB(path);
    std::string message;
    if (!ut::File::exists(path))
        message = "Cannot open the STEP file '" + file + "'";
    const char* targetUnit = detail::stepTargetUnit(units);
    if (message.empty() && !targetUnit)
        message = "cannot read the STEP file '" + file +
                  "' into this drawing: the solid kernel converts STEP "
                  "lengths only into millimetres, centimetres, metres, kilometres, microns, inches, feet, "
                  "miles, mils and microinches";
    if (message.empty())
    {
        try
        {
            auto scratch = std::make_shared<const detail::ScratchFolder>();
            std::filesystem::path brep = detail::importStepIsolated(file, targetUnit, *scratch, message);
            if (!brep.empty())
                return build(std::make_shared<const Recipe>(
                                 Recipe{Recipe::eBrep, {}, {}, std::move(brep), std::move(scratch)}),
                             error);
        }
        catch (const std::exception& e)
        {
            message = "cannot read the STEP file '" + file + "': " + e.what();
        }
    }
    if (error)
        *error = message;
    return nullptr;
}

bool GmshBody::writeStep(const OdString& path, std::string* error) const
{
    GmshSession session(m_model);
    KernelOutput kernel;
    try
    {
        gmsh::write(ut::convFileNameToMB(path));
        if (!session.failed())
            return true;
        if (error)
            *error = session.failureMessage();
        return false;
    }
    catch (const std::exception& e)
    {
        if (error)
            *error = session.failureMessage(&e);
    }
    catch (...)
    {
        if (error)
            *error = session.failureMessage();
    }
    return false;
}

OdGeExtents3d GmshBody::extents() const
{
    GmshSession session(m_model);
    return boundingBox(-1, -1);
}

OdArray<OdGsMarker> GmshBody::subentIndices(OdDb::SubentType type) const
{
    OdArray<OdGsMarker> indices;
    const int dim = gmshDimension(type);
    if (dim < 0)
        return indices;
    GmshSession session(m_model);
    gmsh::vectorpair entities;
    gmsh::model::getEntities(entities, dim);
    std::vector<OdGsMarker> tags;
    for (const auto& e : entities)
        tags.push_back(e.second);
    std::sort(tags.begin(), tags.end());
    for (const OdGsMarker t : tags)
        indices.append(t);
    return indices;
}

OdGeExtents3d GmshBody::subentExtents(OdDb::SubentType type, OdGsMarker index) const
{
    const int dim = gmshDimension(type);
    if (dim < 0)
        return OdGeExtents3d();
    GmshSession session(m_model);
    gmsh::vectorpair entities;
    gmsh::model::getEntities(entities, dim);
    for (const auto& e : entities)
        if (e.second == index)
            return boundingBox(dim, e.second);
    return OdGeExtents3d();
}

OdArray<OdGsMarker> GmshBody::facesOnPlane(const OdGePoint3d& point, const OdGeVector3d& normal,
                                           double tolerance) const
{
    OdArray<OdGsMarker> faces;
    const OdGeVector3d n = normal.normal();
    for (const OdGsMarker face : subentIndices(OdDb::kFaceSubentType))
    {
        const OdGeExtents3d box = subentExtents(OdDb::kFaceSubentType, face);
        bool onPlane = true;
        for (int corner = 0; corner < 8 && onPlane; ++corner)
        {
            const OdGePoint3d p((corner & 1) ? box.maxPoint().x : box.minPoint().x,
                                (corner & 2) ? box.maxPoint().y : box.minPoint().y,
                                (corner & 4) ? box.maxPoint().z : box.minPoint().z);
            onPlane = std::abs((p - point).dotProduct(n)) <= tolerance;
        }
        if (onPlane)
            faces.append(face);
    }
    return faces;
}

std::optional<OdGeVector3d> GmshBody::planeNormal(OdGsMarker face) const
{
    if (!subentExtents(OdDb::kFaceSubentType, face).isValidExtents())
        return std::nullopt;
    GmshSession session(m_model);
    const int tag = static_cast<int>(face);
    // A face the kernel does not call a plane may still be flat (a spline surface from a STEP file):
    // its normals across the parameter range then agree.
    std::vector<double> low, high;
    gmsh::model::getParametrizationBounds(2, tag, low, high);
    if (low.size() != 2 || high.size() != 2)
        return std::nullopt;
    constexpr int kSamples = 5;
    std::vector<double> parameters;
    for (int i = 0; i < kSamples; ++i)
        for (int j = 0; j < kSamples; ++j)
        {
            parameters.push_back(low[0] + (high[0] - low[0]) * (i + 0.5) / kSamples);
            parameters.push_back(low[1] + (high[1] - low[1]) * (j + 0.5) / kSamples);
        }
    std::vector<double> normals;
    gmsh::model::getNormal(tag, parameters, normals);
    if (normals.size() != parameters.size() / 2 * 3)
        return std::nullopt;
    const OdGeVector3d first(normals[0], normals[1], normals[2]);
    if (!(first.length() > 0.5))
        return std::nullopt;
    constexpr double kFlat = 1e-9;
    for (std::size_t k = 3; k < normals.size(); k += 3)
    {
        const OdGeVector3d n(normals[k], normals[k + 1], normals[k + 2]);
        if ((n.normal() - first.normal()).length() > kFlat)
            return std::nullopt;
    }
    return first.normal();
}

namespace
{
/// Whether the point `p`, which lies on the untrimmed surface of face `face`, lies inside the face's
/// boundary, within `tolerance`. The kernel decides: the common part of a vertex at `p` and the face
/// is empty outside it. The vertex and the common part are removed again, so the model keeps its
/// entities and their tags (the model is not synchronised: its entities never saw the vertex).
bool insideFace(int face, const OdGePoint3d& p, double tolerance)
{
    namespace occ = gmsh::model::occ;
    double savedTolerance = 0;
    gmsh::option::getNumber("Geometry.ToleranceBoolean", savedTolerance);
    gmsh::option::setNumber("Geometry.ToleranceBoolean", tolerance);
    gmsh::vectorpair common;
    try
    {
        std::vector<gmsh::vectorpair> map;
        const int vertex = occ::addPoint(p.x, p.y, p.z);
        occ::intersect({{0, vertex}}, {{2, face}}, common, map, -1, true, false);
        if (!common.empty())
            occ::remove(common, true);
    }
    catch (...)
    {
        // Gmsh throws its message as a plain string; a face the kernel cannot intersect holds no point.
        common.clear();
    }
    gmsh::option::setNumber("Geometry.ToleranceBoolean", savedTolerance);
    return !common.empty();
}
} // namespace

OdArray<OdGsMarker> GmshBody::subentsAt(OdDb::SubentType type, const OdGePoint3d& point,
                                        double tolerance) const
{
    OdArray<OdGsMarker> found;
    const int dim = gmshDimension(type);
    if (dim != 1 && dim != 2)
        return found;
    GmshSession session(m_model);
    gmsh::vectorpair entities;
    gmsh::model::getEntities(entities, dim);
    const OdGeVector3d margin(tolerance, tolerance, tolerance);
    for (const auto& e : entities)
    {
        const OdGeExtents3d box = boundingBox(dim, e.second);
        if (!OdGeExtents3d(box.minPoint() - margin, box.maxPoint() + margin).contains(point))
            continue;
        std::vector<double> closest, parameters;
        gmsh::model::getClosestPoint(dim, e.second, {point.x, point.y, point.z}, closest, parameters);
        if (closest.size() != 3)
            continue;
        const OdGePoint3d foot(closest[0], closest[1], closest[2]);
        if (point.distanceTo(foot) > tolerance)
            continue;
        // The projection lands on the untrimmed curve or surface. An edge's ends are checked on its
        // parameter; a face's holes and outer boundary by the kernel.
        if (dim == 1 ? gmsh::model::isInside(dim, e.second, parameters) == 0
                     : !insideFace(e.second, foot, tolerance))
            continue;
        found.append(static_cast<OdGsMarker>(e.second));
    }
    return found;
}
} // namespace solid
