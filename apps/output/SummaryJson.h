#pragma once

#include "apps/analysis/Convergence.h"
#include "apps/output/Summary.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The pieces both commands' summary.json files are written with, so that a script reads the status,
/// the result code and the numbers of either the same way.
namespace cae_app::summary_json
{
using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

inline void put(Writer& w, double v)
{
    // JSON has no infinity or NaN; a reader gets null rather than a document it cannot parse.
    if (std::isfinite(v))
        w.Double(v);
    else
        w.Null();
}

inline void put(Writer& w, std::uint64_t v)
{
    w.Uint64(v);
}

inline void put(Writer& w, const std::string& s)
{
    w.String(s.c_str(), static_cast<rapidjson::SizeType>(s.size()));
}

template <std::size_t N> void put(Writer& w, const std::array<double, N>& v)
{
    w.StartArray();
    for (const double c : v)
        put(w, c);
    w.EndArray();
}

/// What is not known is null.
template <class T> void put(Writer& w, const std::optional<T>& v)
{
    if (v)
        put(w, *v);
    else
        w.Null();
}

/// A key and its value.
template <class T> void field(Writer& w, const char* key, const T& value)
{
    w.Key(key);
    put(w, value);
}

/// A key whose value is the object `body` writes from `value`, or null when there is none.
template <class T, class Body>
void object(Writer& w, const char* key, const std::optional<T>& value, Body body)
{
    w.Key(key);
    if (!value)
    {
        w.Null();
        return;
    }
    w.StartObject();
    body(*value);
    w.EndObject();
}

/// The result units' keys, in the order both summaries give them.
inline void resultUnitFields(Writer& w, const ResultUnits& u)
{
    field(w, "length", u.length);
    field(w, "force", u.force);
    field(w, "stress", u.stress);
}

/// The "convergence" key of a summary: the study's steps (`elements` names their element count) and
/// the extrapolated maxima.
inline void writeConvergence(Writer& w, const ConvergenceStudy& c, const char* elements)
{
    w.Key("convergence");
    w.StartObject();
    field(w, "tolerance", c.tolerance);
    field(w, "end", std::string(convergenceEndName(c.end)));
    w.Key("steps");
    w.StartArray();
    for (const auto& step : c.steps)
    {
        w.StartObject();
        field(w, "meshSize", step.meshSize);
        field(w, elements, step.elements);
        field(w, "unknowns", step.unknowns);
        field(w, "maxVonMises", step.maxVonMises);
        field(w, "maxDisplacement", step.maxDisplacement);
        field(w, "vonMisesChange", step.vonMisesChange);
        field(w, "displacementChange", step.displacementChange);
        w.EndObject();
    }
    w.EndArray();
    auto extrapolated = [&](const char* key, const std::optional<Extrapolation>& x)
    {
        object(w, key, x,
               [&](const Extrapolation& e)
               {
                   field(w, "value", e.value);
                   field(w, "order", e.order);
               });
    };
    extrapolated("maxVonMises", c.vonMises);
    extrapolated("maxDisplacement", c.displacement);
    w.EndObject();
}

/// A summary document: the keys every summary starts with ("status", "result" and "messages"), then
/// those `body` writes; indented, with arrays of numbers on one line.
template <class Body> std::string document(const RunOutcome& outcome, Body body)
{
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    w.SetFormatOptions(rapidjson::kFormatSingleLineArray);
    w.StartObject();
    field(w, "status", std::string(runStatusName(outcome.status)));
    w.Key("result");
    if (outcome.result)
        w.Uint(*outcome.result);
    else
        w.Null();
    w.Key("messages");
    w.StartArray();
    for (const auto& m : outcome.messages)
        put(w, m);
    w.EndArray();
    body(w);
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}
} // namespace cae_app::summary_json
