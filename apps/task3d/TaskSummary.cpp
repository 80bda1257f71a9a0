#include "apps/task3d/TaskSummary.h"

#include "apps/output/SummaryJson.h"

namespace cae_app
{
namespace
{
using namespace summary_json;

void extreme(Writer& w, const char* key, const std::optional<TaskSummary::Extreme>& e)
{
    w.Key(key);
    if (!e)
    {
        w.Null();
        return;
    }
    w.StartObject();
    w.Key("value");
    number(w, e->value);
    w.Key("grid");
    w.Uint64(e->grid);
    w.Key("point");
    w.StartArray();
    for (const double c : e->point)
        number(w, c);
    w.EndArray();
    w.EndObject();
}
} // namespace

std::string formatTaskSummary(const TaskSummary& s)
{
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    w.StartObject();
    runOutcome(w, s.status, s.result, s.messages);
    w.Key("units");
    if (s.units)
    {
        w.StartObject();
        w.Key("drawing");
        string(w, s.units->drawing);
        w.Key("modelling");
        string(w, s.units->modelling);
        w.Key("length");
        string(w, s.units->length);
        w.Key("stress");
        string(w, s.units->stress);
        w.EndObject();
    }
    else
        w.Null();
    w.Key("mesh");
    if (s.mesh)
    {
        w.StartObject();
        w.Key("vertices");
        w.Uint64(s.mesh->vertices);
        w.Key("tetrahedra");
        w.Uint64(s.mesh->tetrahedra);
        w.Key("surfaceTriangles");
        w.Uint64(s.mesh->surfaceTriangles);
        w.EndObject();
    }
    else
        w.Null();
    extreme(w, "maxVonMises", s.maxVonMises);
    extreme(w, "maxDisplacement", s.maxDisplacement);
    w.Key("yield");
    number(w, s.yield);
    w.Key("safetyFactor");
    number(w, s.safetyFactor);
    w.Key("material");
    string(w, s.materialNote);
    w.Key("workingFolder");
    string(w, s.workingFolder);
    w.Key("timeMs");
    w.StartObject();
    w.Key("mesh");
    number(w, s.timeMs.mesh);
    w.Key("deck");
    number(w, s.timeMs.deck);
    w.Key("solve");
    number(w, s.timeMs.solve);
    w.Key("read");
    number(w, s.timeMs.read);
    w.Key("total");
    number(w, s.timeMs.total);
    w.EndObject();
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}
} // namespace cae_app
