#include "host/tetra/GmshTetraMeshGenerator.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/task/Factory.h"
#include "host/cma/ProgressMeter.h"
#include "platform/db/Db3dSolid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tetra
{
using namespace cae_core;

namespace
{
/// The length a real option stands for on a solid with bounding-box diagonal d; 0 when unusable.
double resolve(const MeshingOption<MeshingReal>& option, double d)
{
    if (!option)
        return 0.0;
    const double v = option->value;
    switch (option->type)
    {
    case MeshingReal::eAbsolute:
        return v;
    case MeshingReal::eRelative:
    case MeshingReal::eTimesD:
        return v * d;
    case MeshingReal::eDOver:
        return v > 0.0 ? d / v : 0.0;
    }
    return 0.0;
}

OdDbSubentId subentOf(int dim, int tag)
{
    switch (dim)
    {
    case 0:
        return OdDbSubentId(OdDb::kVertexSubentType, tag);
    case 1:
        return OdDbSubentId(OdDb::kEdgeSubentType, tag);
    case 2:
        return OdDbSubentId(OdDb::kFaceSubentType, tag);
    default:
        return OdDbSubentId();
    }
}
} // namespace

solid::GmshMeshOptions GmshTetraMeshGenerator::options(const MeshingParameters& p, double d)
{
    const auto& s = p.surfaceParameters;
    const auto& t = p.tetraParameters;
    solid::GmshMeshOptions o;
    // Non-positive sizes mean "let the mesher choose" (the fixed defaults use -1 for that).
    double maxSize = 0.0;
    for (const double v :
         {resolve(s.global_physical_size, d), resolve(s.max_size, d), resolve(t.max_size, d)})
        if (v > 0.0 && std::isfinite(v))
            maxSize = maxSize > 0.0 ? std::min(maxSize, v) : v;
    if (maxSize > 0.0)
        o.sizeMax = maxSize;
    double minSize = 0.0;
    for (const double v : {resolve(s.min_size, d), resolve(t.min_size, d)})
        if (v > 0.0 && std::isfinite(v))
            minSize = std::max(minSize, v);
    o.sizeMin = std::min(minSize, o.sizeMax);

    double perTurn = 0.0;
    const double angle = resolve(s.geometric_approximation_angle, d);
    if (angle > 0.0 && angle < 360.0)
        perTurn = 360.0 / angle;
    const double chord = resolve(s.chordal_error, d);
    if (chord > 0.0 && d > 0.0 && 2.0 * chord / d < 1.0)
        perTurn = std::max(perTurn, std::numbers::pi / std::acos(1.0 - 2.0 * chord / d));
    o.elementsPerTwoPi = perTurn;

    if (t.optimisation_level)
    {
        o.optimize = *t.optimisation_level == TetraParameters::eLight ? 0 : 1;
        o.optimizeNetgen = *t.optimisation_level == TetraParameters::eStrong;
    }
    if (t.max_number_of_threads && *t.max_number_of_threads > 0)
        o.threads = *t.max_number_of_threads;
    return o;
}

std::shared_ptr<Mesh> GmshTetraMeshGenerator::toTaskMesh(Task* task, const solid::GmshSolidMesh& g)
{
    auto mesh = Factory::instance().createMesh(task);
    const bool quadratic = g.order == 2 && g.edgeMids.size() == g.edges.size() &&
                           g.triangleMids.size() == g.triangles.size() &&
                           g.tetraMids.size() == g.tetras.size();
    mesh->setOrder(quadratic ? 2 : 1);
    for (const auto& node : g.nodes)
        mesh->addVertex(node.point, subentOf(node.dim, node.tag));
    for (std::size_t i = 0; i < g.edges.size(); ++i)
    {
        const auto& e = g.edges[i];
        if (quadratic)
            mesh->addEdge({e.nodes[0], e.nodes[1]}, g.edgeMids[i], subentOf(1, e.tag));
        else
            mesh->addEdge({e.nodes[0], e.nodes[1]}, subentOf(1, e.tag));
    }
    for (std::size_t i = 0; i < g.triangles.size(); ++i)
    {
        const auto& t = g.triangles[i];
        if (quadratic)
        {
            const auto& m = g.triangleMids[i];
            mesh->addTriangle({t.nodes[0], t.nodes[1], t.nodes[2]}, {m[0], m[1], m[2]}, subentOf(2, t.tag));
        }
        else
            mesh->addTriangle({t.nodes[0], t.nodes[1], t.nodes[2]}, subentOf(2, t.tag));
    }
    for (std::size_t i = 0; i < g.tetras.size(); ++i)
    {
        const auto& t = g.tetras[i];
        if (quadratic)
        {
            const auto& m = g.tetraMids[i];
            mesh->addTetra({t[0], t[1], t[2], t[3]}, {m[0], m[1], m[2], m[3], m[4], m[5]});
        }
        else
            mesh->addTetra({t[0], t[1], t[2], t[3]});
    }
    return mesh;
}

double GmshTetraMeshGenerator::estimateTetrahedra(double volume, double diagonal,
                                                  const solid::GmshMeshOptions& o)
{
    // Gmsh's Delaunay mesher makes tetrahedra of about the target edge length h; a regular one has the
    // volume h^3 / (6 sqrt 2), and the irregular ones of a real mesh come out a little smaller. On a
    // box meshed to a uniform size the count came within ten per cent of this; curvature refinement and
    // features smaller than h only add tetrahedra, so for such solids it is an underestimate, which a
    // budget meant to stop runaway meshes can afford.
    constexpr double kTetrahedraPerCube = 6.0;
    double h = std::min(o.sizeMax, diagonal);
    h = std::max(h, o.sizeMin);
    if (!(h > 0.0) || !(volume > 0.0))
        return 0.0;
    return kTetrahedraPerCube * volume / (h * h * h);
}

std::size_t GmshTetraMeshGenerator::invertedTetrahedra(const Mesh& mesh)
{
    if (mesh.order() != 2)
        return 0;
    static constexpr int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    static constexpr double kPoints[5][3] = {{0.25, 0.25, 0.25}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const auto at = [&mesh](std::uint64_t v)
    { return v < mesh.nbVertices() && mesh.vertex(v) ? mesh.vertex(v)->point.asVector() : OdGeVector3d(); };
    std::size_t inverted = 0;
    for (std::uint64_t i = 0; i < mesh.nbTetra(); ++i)
    {
        const MeshTetra* tetra = mesh.tetra(i).get();
        if (!tetra)
            continue;
        for (const auto& q : kPoints)
        {
            const double l[4] = {1.0 - q[0] - q[1] - q[2], q[0], q[1], q[2]};
            const double dl[4][3] = {{-1, -1, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
            OdGeVector3d d[3];
            for (int c = 0; c < 4; ++c)
                for (int k = 0; k < 3; ++k)
                    d[k] +=
                        at(tetra->vertices[static_cast<std::size_t>(c)]) * ((4.0 * l[c] - 1.0) * dl[c][k]);
            for (int m = 0; m < 6; ++m)
            {
                const int a = kEdges[m][0], b = kEdges[m][1];
                for (int k = 0; k < 3; ++k)
                    d[k] += at(tetra->midVertices[static_cast<std::size_t>(m)]) *
                            (4.0 * (l[a] * dl[b][k] + l[b] * dl[a][k]));
            }
            if (!(d[0].crossProduct(d[1]).dotProduct(d[2]) > 0.0))
            {
                ++inverted;
                break;
            }
        }
    }
    return inverted;
}

EResult GmshTetraMeshGenerator::generate(ut::IReporter& reporter, const OdDbObjectId& solidId, Task* task,
                                         Entity* entity, MeshingParameters& parameters,
                                         std::shared_ptr<Mesh>& mesh) const
{
    if (!task || !entity)
        return eInvalidArgument;
    const auto solidObject = OdSmartPtr<OdDb3dSolid>::cast(solidId.openObject(OdDb::kForRead));
    const auto* body =
        solidObject.isNull() ? nullptr : dynamic_cast<const solid::GmshBody*>(solidObject->body().get());
    if (!body)
        return eInvalidArgument;

    const OdGeExtents3d box = body->extents();
    const double diagonal = box.isValidExtents() ? box.diagonal().length() : 0.0;

    solid::GmshMeshOptions gmshOptions = options(parameters, diagonal);
    gmshOptions.order = m_settings.order == 2 ? 2 : 1;
    if (m_settings.elementBudget > 0)
    {
        const double estimate = estimateTetrahedra(solid::bodyVolume(*body), diagonal, gmshOptions);
        if (estimate > static_cast<double>(m_settings.elementBudget))
        {
            const OdString text =
                OdString().format(L"about %.0f tetrahedra are expected, more than the budget of %llu; "
                                  L"coarsen the mesh or raise "
                                  L"the budget",
                                  estimate, static_cast<unsigned long long>(m_settings.elementBudget));
            reporter.report(eRpt_Fmt_TetraSessionFailed, text);
            return eLimitExceeded;
        }
    }

    cma::ProgressMeter meter;
    meter.start(L"Meshing the solid", 4);
    solid::GmshSolidMesh generated;
    std::string error;
    const bool ok =
        solid::meshBody(*body, gmshOptions, generated, error, [&meter](int stage) { meter.progress(stage); });
    if (!ok)
    {
        meter.stop();
        reporter.report(eRpt_Fmt_TetraSessionFailed, OdString(error.c_str()));
        return eNotPossible;
    }
    auto result = toTaskMesh(task, generated);
    result->setMeshingParameters(parameters);
    // A folded element would give the solver a negative volume; refining the mesh is the remedy.
    if (const std::size_t inverted = invertedTetrahedra(*result))
    {
        meter.stop();
        reporter.report(
            eRpt_Fmt_TetraSessionFailed,
            OdString().format(L"%llu of %llu second-order tetrahedra are folded inside out by their "
                              L"curved faces; refine the mesh",
                              static_cast<unsigned long long>(inverted),
                              static_cast<unsigned long long>(result->nbTetra())));
        return eNotPossible;
    }
    meter.progress(4);
    meter.stop();
    mesh = std::move(result);
    return cae_core::eOk;
}
} // namespace tetra
