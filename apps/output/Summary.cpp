#include "apps/output/Summary.h"

#include "apps/output/SummaryJson.h"

namespace cae_app
{
namespace
{
using namespace summary_json;

void vector2(Writer& w, const std::array<double, 2>& v)
{
    w.StartArray();
    number(w, v[0]);
    number(w, v[1]);
    w.EndArray();
}
} // namespace

const char* runStatusName(ERunStatus status)
{
    switch (status)
    {
    case ERunStatus::eSolved:
        return "solved";
    case ERunStatus::eInvalid:
        return "invalid";
    case ERunStatus::eFailed:
        return "failed";
    }
    return "failed";
}

std::string formatSummary(const Summary& s)
{
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    w.SetFormatOptions(rapidjson::kFormatSingleLineArray);
    w.StartObject();

    runOutcome(w, s.status, s.result, s.messages);

    w.Key("units");
    if (s.units)
    {
        w.StartObject();
        w.Key("length");
        string(w, s.units->length);
        w.Key("force");
        string(w, s.units->force);
        w.Key("stress");
        string(w, s.units->stress);
        w.EndObject();
    }
    else
    {
        w.Null();
    }

    w.Key("mesh");
    if (s.mesh)
    {
        w.StartObject();
        w.Key("size");
        number(w, s.mesh->size);
        w.Key("vertices");
        w.Uint64(s.mesh->vertices);
        w.Key("triangles");
        w.Uint64(s.mesh->triangles);
        w.Key("elementType");
        string(w, s.mesh->elementType);
        w.EndObject();
    }
    else
    {
        w.Null();
    }

    w.Key("maxVonMises");
    number(w, s.maxVonMises);
    w.Key("maxDisplacement");
    number(w, s.maxDisplacement);

    w.Key("reactions");
    w.StartArray();
    for (const auto& r : s.reactions)
    {
        w.StartObject();
        w.Key("index");
        w.Uint64(r.index);
        w.Key("force");
        vector2(w, r.force);
        w.EndObject();
    }
    w.EndArray();

    w.Key("appliedLoad");
    if (s.appliedLoad)
        vector2(w, *s.appliedLoad);
    else
        w.Null();

    if (!s.probes.empty())
    {
        w.Key("probes");
        w.StartArray();
        for (const auto& probe : s.probes)
        {
            w.StartObject();
            w.Key("point");
            vector2(w, probe.point);
            w.Key("rows");
            w.StartArray();
            for (const auto& row : probe.rows)
            {
                w.StartObject();
                w.Key("name");
                w.String(row[0].c_str());
                w.Key("value");
                w.String(row[1].c_str());
                w.Key("unit");
                w.String(row[2].c_str());
                w.EndObject();
            }
            w.EndArray();
            w.EndObject();
        }
        w.EndArray();
    }

    w.Key("timeMs");
    w.StartObject();
    w.Key("mesh");
    number(w, s.timeMs.mesh);
    w.Key("solve");
    number(w, s.timeMs.solve);
    w.Key("total");
    number(w, s.timeMs.total);
    w.EndObject();

    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}
} // namespace cae_app
