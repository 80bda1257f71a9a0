#include "apps/output/Report.h"

#include "apps/file/Format.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace cae_app
{
namespace
{
/// Force components below this fraction of the largest force of the run are shown as 0 in the
/// report (summary.json keeps every digit of a reaction that is not negligible as a whole).
/// Reactions in directions nothing loads come out as the solver's residual, which reaches a few
/// 1e-9 of the load on slender parts.
constexpr double kDisplayedForceFloor = 1e-7;

const char* kindName(const LoadOrSupportEntry& given)
{
    static constexpr const char* names[] = {"pointLoad", "linearLoad", "pointSupport", "linearSupport"};
    return names[given.value.index()];
}
} // namespace

std::string formatTable(const ReportTable& table)
{
    std::ostringstream out;
    std::string title = table.title;
    for (const auto& row : table.rows)
    {
        std::string label = row[0];
        label.resize(std::max<std::size_t>(label.size() + 1, 22), ' ');
        std::string head = title;
        head.resize(std::max<std::size_t>(head.size() + 1, 13), ' ');
        out << head << label << row[1] << (row[2].empty() ? "" : " " + row[2]) << "\n";
        title.clear();
    }
    return out.str();
}

std::string formatReport(const AnalysisFile& file, const Summary& summary, const ResultFigures& figures,
                         const std::vector<ReportTable>& tables)
{
    const auto& units = *summary.units;
    double largest = figures.appliedLoad.length();
    for (const auto& r : summary.reactions)
        largest = std::max(largest, std::hypot(r.force[0], r.force[1]));
    const double floor = kDisplayedForceFloor * largest;
    auto forceText = [&](const OdGeVector2d& v)
    {
        auto clean = [floor](double x) { return std::abs(x) < floor ? 0.0 : x; };
        return formatVector(OdGeVector2d(clean(v.x), clean(v.y))) + " " + units.force;
    };

    const auto& mesh = *summary.mesh;
    std::ostringstream out;
    out << "Units        " << units.length << ", " << units.force << ", " << units.stress << "\n";
    out << "Mesh         size " << formatNumber(mesh.size);
    if (!file.mesh.refinementRegions.empty())
        out << ", " << file.mesh.refinementRegions.size() << " refinement region"
            << (file.mesh.refinementRegions.size() == 1 ? "" : "s");
    if (file.mesh.adaptive.refineAutomatically)
        out << ", refined adaptively";
    out << ": " << mesh.vertices << " vertices, " << mesh.triangles << " triangles ("
        << (file.elementType == ElementKind::eTriangle6 ? "six-node" : "three-node") << " elements)\n";
    out << "Analysis     " << (file.mode == AnalysisMode::ePlaneStress ? "plane stress" : "plane strain")
        << ", " << (file.solver == SolverChoice::eInHouse ? "in-house" : "Nastran") << " solver\n";
    if (tables.empty())
    {
        out << "Max von Mises     " << formatNumber(figures.maxVonMises) << " " << units.stress << " at "
            << formatPoint(figures.maxVonMisesAt) << "\n";
        out << "Max displacement  " << formatNumber(figures.maxDisplacement) << " " << units.length << " at "
            << formatPoint(figures.maxDisplacementAt) << "\n";
    }
    for (const ReportTable& table : tables)
        out << formatTable(table);
    if (file.solver == SolverChoice::eNastran)
    {
        out << "Reactions    not available from Nastran results (nor are point queries)\n";
        return out.str();
    }
    if (!summary.reactions.empty())
    {
        out << "Reactions\n";
        for (const auto& r : summary.reactions)
        {
            const auto& given = file.loadsAndSupports[r.index];
            std::string label = "  [" + std::to_string(r.index) + "] " + kindName(given);
            label.resize(std::max<std::size_t>(label.size() + 1, 22), ' ');
            out << label << forceText(OdGeVector2d(r.force[0], r.force[1])) << "\n";
        }
    }
    const OdGeVector2d imbalance = figures.appliedLoad + figures.reactionSum;
    out << "Equilibrium  applied loads " << forceText(figures.appliedLoad) << ", reactions "
        << forceText(figures.reactionSum) << ", imbalance " << formatNumber(imbalance.length(), 2) << " "
        << units.force << "\n";
    return out.str();
}

std::string formatClosing(const Summary& summary, const std::vector<std::string>& writtenFiles)
{
    std::ostringstream out;
    out << "Time         mesh " << formatMilliseconds(summary.timeMs.mesh.value_or(0.0)) << " ms, solve "
        << formatMilliseconds(summary.timeMs.solve.value_or(0.0)) << " ms, total "
        << formatMilliseconds(summary.timeMs.total) << " ms\n";
    if (writtenFiles.empty())
        out << "(no files written: add --out DIR for summary.json and result.vtu)\n";
    else
    {
        out << "Wrote        ";
        for (std::size_t i = 0; i < writtenFiles.size(); ++i)
            out << (i ? ", " : "") << writtenFiles[i];
        out << "\n";
    }
    return out.str();
}
} // namespace cae_app
