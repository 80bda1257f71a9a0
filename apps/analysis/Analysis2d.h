#pragma once

#include "apps/analysis/NodalField.h"
#include "apps/analysis/ResultFigures.h"
#include "apps/drawing/Drawing.h"
#include "apps/file/AnalysisFile.h"

#include "cae_core/fea2d/InputHandler.h"
#include "cae_core/fea2d/Params2d.h"
#include "cae_core/fea2d/Simulation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace cae_core
{
class Mesher2d;
struct TriangularMesh2d;
} // namespace cae_core

/// The module's part of a 2D analysis as the host drives it: the input handler with the file's
/// parameters, its status, meshing (plain, refinement regions, adaptive refinement) and solving.
/// Every step that cannot go on throws Stop with a message in the file's terms.
namespace cae_app
{
class Analysis2d
{
public:
    /// The input handler for `file` on the drawing's region. Stops as invalid when the file's
    /// values are so large or small that the analysis's products of them would overflow.
    /// `sourceName` starts every message;
    /// `showProgress` puts the host's progress meter on the long steps; `consistentEdgeLoads` is
    /// handed to the solver as the input's option of that name.
    Analysis2d(const AnalysisFile& file, const Drawing& drawing, std::string sourceName, bool showProgress,
               bool consistentEdgeLoads = false);
    ~Analysis2d();

    /// Stops as not ready when the input handler's status has messages. Before meshing
    /// (`meshMessagesToo` false) the messages about the mesh are left out: meshing comes next.
    void checkReady(bool meshMessagesToo) const;
    /// Meshes the region, applies the refinement regions and, when asked, refines adaptively;
    /// hands the mesh to the input handler and checks that the linear loads and supports find
    /// their boundary chains on it.
    void mesh();
    /// Runs the simulation on the mesh. Stops as failed when the solution is not finite or its
    /// reactions do not balance the applied loads.
    void solve();

    const cae_core::fea2d::InputHandler& handler() const { return *m_handler; }
    cae_core::fea2d::InputHandler& handler() { return *m_handler; }
    /// The mesh size the file asks for, or the handler's default.
    double meshSize() const { return m_meshSize; }
    /// The mesh's vertex and triangle counts, after mesh().
    std::uint64_t meshVertices() const { return m_meshVertices; }
    std::uint64_t meshTriangles() const { return m_meshTriangles; }
    /// Milliseconds the module spent meshing and solving.
    double meshTime() const { return m_meshTime; }
    double solveTime() const { return m_solveTime; }
    /// After solve().
    const cae_core::fea2d::SimulationOutput& output() const { return *m_output; }
    const ResultFigures& figures() const { return m_figures; }
    /// Displacements and recovered stresses at every element node, after solve().
    const NodalField& nodalField() const { return m_nodalField; }

private:
    void refineAdaptively(cae_core::Mesher2d& mesher, double& elapsed);
    /// Ends the run with what a refused first meshing means in the file's terms.
    [[noreturn]] void meshingRefused(cae_core::EResult rc) const;
    /// Refines the mesh in each of the file's refinement regions; `done(i)` after the i-th.
    void refineInRegions(cae_core::Mesher2d& mesher, double& elapsed, const std::function<void(int)>& done);
    void checkScales() const;
    void checkMeshConstraints();
    void checkSupportsWhereTheyAct(const cae_core::TriangularMesh2d& mesh) const;
    void checkResults() const;
    cae_core::Solver2d::EImpl solverImpl() const;

    const AnalysisFile& m_file;
    const Drawing& m_drawing;
    std::string m_source;
    bool m_showProgress;
    std::unique_ptr<cae_core::fea2d::InputHandler> m_handler;
    double m_meshSize = 0.0;
    double m_meshTime = 0.0;
    std::uint64_t m_meshVertices = 0, m_meshTriangles = 0;
    double m_solveTime = 0.0;
    std::optional<cae_core::fea2d::SimulationOutput> m_output;
    ResultFigures m_figures;
    NodalField m_nodalField;
};

/// The module's record for one load or support of the file. Linear ones take their end points
/// from `start` and `end` (the boundary points they were moved onto).
cae_core::fea2d::LoadOrSupport toLoadOrSupport(const LoadOrSupportEntry& given, const OdGePoint2d& start,
                                               const OdGePoint2d& end);
} // namespace cae_app
