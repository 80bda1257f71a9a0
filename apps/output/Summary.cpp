#include "apps/output/Summary.h"

#include "apps/output/SummaryJson.h"

namespace cae_app
{
namespace
{
using namespace summary_json;

/// The keys after the run's outcome.
void writeSummaryKeys(Writer& w, const Summary& s)
{
    object(w, "units", s.units, [&](const Summary::Units& u) { resultUnitFields(w, u); });
    object(w, "mesh", s.mesh,
           [&](const Summary::Mesh& m)
           {
               field(w, "size", m.size);
               field(w, "vertices", m.vertices);
               field(w, "triangles", m.triangles);
               field(w, "elementType", m.elementType);
           });
    field(w, "maxVonMises", s.maxVonMises);
    field(w, "maxDisplacement", s.maxDisplacement);
    const std::string stressUnit = s.units ? s.units->stress : std::string();
    auto extreme = [&](const char* key, const Summary::Extreme& x)
    {
        w.Key(key);
        w.StartObject();
        field(w, "value", x.value);
        field(w, "unit", stressUnit);
        field(w, "point", x.point);
        w.EndObject();
    };
    object(w, "principalStresses", s.principalStresses,
           [&](const Summary::PrincipalExtremes& p)
           {
               w.Key("s1");
               w.StartObject();
               extreme("max", p.s1Max);
               extreme("min", p.s1Min);
               w.EndObject();
               w.Key("s2");
               w.StartObject();
               extreme("max", p.s2Max);
               extreme("min", p.s2Min);
               w.EndObject();
           });
    w.Key("reactions");
    w.StartArray();
    for (const auto& r : s.reactions)
    {
        w.StartObject();
        field(w, "index", r.index);
        field(w, "force", r.force);
        w.EndObject();
    }
    w.EndArray();
    field(w, "appliedLoad", s.appliedLoad);
    if (!s.probes.empty())
    {
        w.Key("probes");
        w.StartArray();
        for (const auto& probe : s.probes)
        {
            w.StartObject();
            field(w, "point", probe.point);
            w.Key("inside");
            w.Bool(probe.inside);
            w.Key("values");
            if (!probe.inside)
                w.Null();
            else
            {
                w.StartObject();
                for (const auto& q : probe.values)
                {
                    w.Key(q.name.c_str());
                    w.StartObject();
                    field(w, "value", q.value);
                    field(w, "unit", q.unit);
                    w.EndObject();
                }
                w.EndObject();
            }
            w.Key("rows");
            w.StartArray();
            for (const auto& row : probe.rows)
            {
                w.StartObject();
                field(w, "name", row[0]);
                field(w, "value", row[1]);
                field(w, "unit", row[2]);
                w.EndObject();
            }
            w.EndArray();
            w.EndObject();
        }
        w.EndArray();
    }
    if (s.convergence)
        writeConvergence(w, *s.convergence, "triangles");
    w.Key("timeMs");
    w.StartObject();
    field(w, "mesh", s.timeMs.mesh);
    field(w, "solve", s.timeMs.solve);
    field(w, "total", s.timeMs.total);
    w.EndObject();
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
    case ERunStatus::eInterrupted:
        return "interrupted";
    }
    return "failed";
}

std::string formatSummary(const Summary& s)
{
    return summary_json::document(s, [&](summary_json::Writer& w) { writeSummaryKeys(w, s); });
}
} // namespace cae_app
