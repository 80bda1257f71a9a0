#include "apps/task3d/TaskSummary.h"

#include "apps/output/SummaryJson.h"

namespace cae_app
{
namespace
{
using namespace summary_json;

void extreme(Writer& w, const TaskSummary::Extreme& e, const std::string& unit)
{
    field(w, "value", e.value);
    field(w, "unit", unit);
    field(w, "grid", e.grid);
    field(w, "point", e.point);
}

/// One probe: its point and, inside the solid, the values there with their units.
void writeProbe(Writer& w, const TaskSummary::Probe& p, const std::string& length, const std::string& stress)
{
    w.StartObject();
    field(w, "point", p.point);
    field(w, "unit", length);
    w.Key("inside");
    w.Bool(p.values.has_value());
    using Values = TaskSummary::Probe::Values;
    const auto withUnit = [&](const char* key, const auto& value, const std::string& unit)
    {
        object(w, key, p.values,
               [&](const Values& v)
               {
                   field(w, "value", value(v));
                   field(w, "unit", unit);
               });
    };
    const std::optional<std::uint64_t> tetra =
        p.values ? std::optional<std::uint64_t>(p.values->tetrahedron) : std::nullopt;
    field(w, "tetrahedron", tetra);
    withUnit(
        "displacement", [](const Values& v) { return v.displacement; }, length);
    object(w, "stress", p.values,
           [&](const Values& v)
           {
               const char* names[] = {"xx", "yy", "zz", "xy", "yz", "zx"};
               for (std::size_t k = 0; k < 6; ++k)
                   field(w, names[k], v.stress[k]);
               field(w, "unit", stress);
           });
    object(w, "principal", p.values,
           [&](const Values& v)
           {
               field(w, "s1", v.principal[0]);
               field(w, "s2", v.principal[1]);
               field(w, "s3", v.principal[2]);
               field(w, "unit", stress);
           });
    withUnit(
        "vonMises", [](const Values& v) { return v.vonMises; }, stress);
    w.EndObject();
}

/// The keys after the run's outcome.
void writeTaskKeys(Writer& w, const TaskSummary& s)
{
    object(w, "units", s.units,
           [&](const TaskSummary::Units& u)
           {
               field(w, "drawing", u.drawing);
               field(w, "modelling", u.modelling);
               resultUnitFields(w, u);
           });
    object(w, "mesh", s.mesh,
           [&](const TaskSummary::Mesh& m)
           {
               field(w, "vertices", m.vertices);
               field(w, "tetrahedra", m.tetrahedra);
               field(w, "surfaceTriangles", m.surfaceTriangles);
               field(w, "elements", m.elements);
               field(w, "size", m.size);
           });
    const std::string length = s.units ? s.units->length : std::string();
    const std::string force = s.units ? s.units->force : std::string();
    const std::string stress = s.units ? s.units->stress : std::string();
    object(w, "material", s.material,
           [&](const TaskSummary::Material& m)
           {
               field(w, "name", m.name);
               field(w, "deck", m.deck);
               field(w, "youngsModulus", m.youngsModulus);
               field(w, "poissonRatio", m.poissonRatio);
               field(w, "yield", m.yield);
               field(w, "unit", stress);
           });
    object(w, "maxVonMises", s.maxVonMises, [&](const TaskSummary::Extreme& e) { extreme(w, e, stress); });
    object(w, "maxDisplacement", s.maxDisplacement,
           [&](const TaskSummary::Extreme& e) { extreme(w, e, length); });
    object(w, "maxS1", s.maxS1, [&](const TaskSummary::Extreme& e) { extreme(w, e, stress); });
    object(w, "minS3", s.minS3, [&](const TaskSummary::Extreme& e) { extreme(w, e, stress); });
    w.Key("probes");
    w.StartArray();
    for (const auto& p : s.probes)
        writeProbe(w, p, length, stress);
    w.EndArray();
    field(w, "yield", s.yield);
    field(w, "safetyFactor", s.safetyFactor);
    w.Key("reactions");
    w.StartArray();
    for (const auto& r : s.reactions)
    {
        w.StartObject();
        field(w, "feature", static_cast<std::uint64_t>(r.feature));
        field(w, "kind", r.kind);
        field(w, "force", r.force);
        field(w, "unit", force);
        w.EndObject();
    }
    w.EndArray();
    object(w, "equilibrium", s.equilibrium,
           [&](const TaskSummary::Equilibrium& e)
           {
               field(w, "applied", e.applied);
               field(w, "reactions", e.reactions);
               field(w, "imbalance", e.imbalance);
               field(w, "unit", force);
           });
    if (s.convergence)
        writeConvergence(w, *s.convergence, "tetrahedra");
    field(w, "workingFolder", s.workingFolder);
    w.Key("timeMs");
    w.StartObject();
    field(w, "mesh", s.timeMs.mesh);
    field(w, "deck", s.timeMs.deck);
    field(w, "solve", s.timeMs.solve);
    field(w, "read", s.timeMs.read);
    field(w, "total", s.timeMs.total);
    w.EndObject();
}
} // namespace

std::string formatTaskSummary(const TaskSummary& s)
{
    return summary_json::document(s, [&](summary_json::Writer& w) { writeTaskKeys(w, s); });
}
} // namespace cae_app
