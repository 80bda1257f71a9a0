#include "apps/task3d/TaskSummary.h"

#include "apps/output/SummaryJson.h"

namespace cae_app
{
namespace
{
using namespace summary_json;

void extreme(Writer& w, const TaskSummary::Extreme& e)
{
    field(w, "value", e.value);
    field(w, "grid", e.grid);
    field(w, "point", e.point);
}

/// The keys after the run's outcome.
void writeTaskKeys(Writer& w, const TaskSummary& s)
{
    object(w, "units", s.units,
           [&](const TaskSummary::Units& u)
           {
               field(w, "drawing", u.drawing);
               field(w, "modelling", u.modelling);
               field(w, "length", u.length);
               field(w, "stress", u.stress);
           });
    object(w, "mesh", s.mesh,
           [&](const TaskSummary::Mesh& m)
           {
               field(w, "vertices", m.vertices);
               field(w, "tetrahedra", m.tetrahedra);
               field(w, "surfaceTriangles", m.surfaceTriangles);
           });
    object(w, "maxVonMises", s.maxVonMises, [&](const TaskSummary::Extreme& e) { extreme(w, e); });
    object(w, "maxDisplacement", s.maxDisplacement, [&](const TaskSummary::Extreme& e) { extreme(w, e); });
    field(w, "yield", s.yield);
    field(w, "safetyFactor", s.safetyFactor);
    field(w, "material", s.materialNote);
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
    return summary_json::document(s.status, s.result, s.messages,
                                  [&](summary_json::Writer& w) { writeTaskKeys(w, s); });
}
} // namespace cae_app
