#include "host/solid/GmshBody.h"

#include "host/solid/GmshSession.h"
#include "host/solid/KernelOutput.h"
#include "host/ut/File.h"

#include <gmsh.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
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
        eStep
    };
    EKind kind;
    std::vector<double> numbers;
    std::shared_ptr<const Recipe> first, second;
    std::string path;
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
        occ::fuse(replay(*r.first), replay(*r.second), out, map);
        break;
    case Recipe::eDifference:
        occ::cut(replay(*r.first), replay(*r.second), out, map);
        break;
    case Recipe::eIntersection:
        occ::intersect(replay(*r.first), replay(*r.second), out, map);
        break;
    case Recipe::eStep:
        occ::importShapes(r.path, out, true, "step");
        break;
    }
    gmsh::vectorpair volumes;
    for (const auto& dimTag : out)
        if (dimTag.first == 3)
            volumes.push_back(dimTag);
    return volumes;
}

std::shared_ptr<const Recipe> recipe(Recipe::EKind kind, std::vector<double> numbers,
                                     std::shared_ptr<const Recipe> first = nullptr,
                                     std::shared_ptr<const Recipe> second = nullptr, std::string path = {})
{
    return std::make_shared<const Recipe>(Recipe{kind, std::move(numbers), std::move(first), std::move(second),
                                                 std::move(path)});
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
    return build(recipe(Recipe::eUnion, {}, a.m_recipe, b.m_recipe), error);
}

std::shared_ptr<GmshBody> GmshBody::subtract(const GmshBody& a, const GmshBody& b, std::string* error)
{
    return build(recipe(Recipe::eDifference, {}, a.m_recipe, b.m_recipe), error);
}

std::shared_ptr<GmshBody> GmshBody::intersect(const GmshBody& a, const GmshBody& b, std::string* error)
{
    return build(recipe(Recipe::eIntersection, {}, a.m_recipe, b.m_recipe), error);
}

std::shared_ptr<GmshBody> GmshBody::importStep(const OdString& path, std::string* error)
{
    const std::string file = ut::convFileNameToMB(path);
    if (!ut::File::exists(path))
    {
        if (error)
            *error = "Cannot open the STEP file '" + file + "'";
        return nullptr;
    }
    return build(recipe(Recipe::eStep, {}, nullptr, nullptr, file), error);
}

bool GmshBody::writeStep(const OdString& path, std::string* error) const
{
    GmshSession session(m_model);
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
/// Share of the body's diagonal that its faces' triangulation may deviate from the faces: the
/// triangulation used to tell whether a point lies inside a face's boundary takes 64 elements per
/// turn on curved faces, whose chords then stay within 0.12 % of the radius.
constexpr double kTriangulationDeviation = 1e-3;
constexpr double kTriangulationElementsPerTurn = 64;
constexpr double kTriangulationSizeShare = 0.05;

/// Distance from p to the triangle abc.
double distanceToTriangle(const OdGePoint3d& p, const OdGePoint3d& a, const OdGePoint3d& b,
                          const OdGePoint3d& c)
{
    // Closest point by the triangle's Voronoi regions (vertices, edges, inside).
    const OdGeVector3d ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.dotProduct(ap), d2 = ac.dotProduct(ap);
    if (d1 <= 0 && d2 <= 0)
        return p.distanceTo(a);
    const OdGeVector3d bp = p - b;
    const double d3 = ab.dotProduct(bp), d4 = ac.dotProduct(bp);
    if (d3 >= 0 && d4 <= d3)
        return p.distanceTo(b);
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return p.distanceTo(a + ab * (d1 / (d1 - d3)));
    const OdGeVector3d cp = p - c;
    const double d5 = ab.dotProduct(cp), d6 = ac.dotProduct(cp);
    if (d6 >= 0 && d5 <= d6)
        return p.distanceTo(c);
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return p.distanceTo(a + ac * (d2 / (d2 - d6)));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return p.distanceTo(b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
    const double denominator = 1.0 / (va + vb + vc);
    return p.distanceTo(a + ab * (vb * denominator) + ac * (vc * denominator));
}

/// Distance from p to the triangulation of face `tag` of the current model's surface mesh.
double distanceToFaceMesh(const OdGePoint3d& p, int tag)
{
    std::vector<std::size_t> nodeTags;
    std::vector<double> coords, parametric;
    gmsh::model::mesh::getNodes(nodeTags, coords, parametric, 2, tag, true, false);
    std::map<std::size_t, OdGePoint3d> nodes;
    for (std::size_t i = 0; i < nodeTags.size(); ++i)
        nodes[nodeTags[i]] = OdGePoint3d(coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]);
    std::vector<int> types;
    std::vector<std::vector<std::size_t>> elements, corners;
    gmsh::model::mesh::getElements(types, elements, corners, 2, tag);
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t t = 0; t < types.size(); ++t)
    {
        if (types[t] != 2) // three-node triangles
            continue;
        const auto& c = corners[t];
        for (std::size_t i = 0; i + 2 < c.size(); i += 3)
            nearest = std::min(nearest, distanceToTriangle(p, nodes[c[i]], nodes[c[i + 1]], nodes[c[i + 2]]));
    }
    return nearest;
}
} // namespace

OdArray<OdGsMarker> GmshBody::subentsAt(OdDb::SubentType type, const OdGePoint3d& point,
                                        double tolerance) const
{
    OdArray<OdGsMarker> found;
    const int dim = gmshDimension(type);
    if (dim != 1 && dim != 2)
        return found;
    const double diagonal = extents().diagonal().length();
    GmshSession session(m_model);
    gmsh::vectorpair entities;
    gmsh::model::getEntities(entities, dim);
    const OdGeVector3d margin(tolerance, tolerance, tolerance);
    bool meshed = false;
    for (const auto& e : entities)
    {
        const OdGeExtents3d box = boundingBox(dim, e.second);
        if (!OdGeExtents3d(box.minPoint() - margin, box.maxPoint() + margin).contains(point))
            continue;
        std::vector<double> closest, parameters;
        gmsh::model::getClosestPoint(dim, e.second, {point.x, point.y, point.z}, closest, parameters);
        if (closest.size() != 3 ||
            point.distanceTo(OdGePoint3d(closest[0], closest[1], closest[2])) > tolerance)
            continue;
        // The projection lands on the untrimmed curve or surface. An edge's ends are checked on its
        // parameter; a face's holes and outer boundary on a triangulation of the faces.
        if (dim == 1)
        {
            if (gmsh::model::isInside(dim, e.second, parameters) == 0)
                continue;
        }
        else
        {
            if (!meshed)
            {
                gmsh::option::setNumber("Mesh.MeshSizeMin", 0);
                gmsh::option::setNumber("Mesh.MeshSizeMax", kTriangulationSizeShare * diagonal);
                gmsh::option::setNumber("Mesh.MeshSizeFromCurvature", kTriangulationElementsPerTurn);
                gmsh::model::mesh::generate(2);
                meshed = true;
            }
            if (distanceToFaceMesh(point, e.second) > tolerance + kTriangulationDeviation * diagonal)
                continue;
        }
        found.append(static_cast<OdGsMarker>(e.second));
    }
    if (meshed)
        gmsh::model::mesh::clear();
    return found;
}
} // namespace solid
