#pragma once

#include "apps/output/Summary.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

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

inline void number(Writer& w, double v)
{
    // JSON has no infinity or NaN; a reader gets null rather than a document it cannot parse.
    if (std::isfinite(v))
        w.Double(v);
    else
        w.Null();
}

inline void number(Writer& w, const std::optional<double>& v)
{
    if (v)
        number(w, *v);
    else
        w.Null();
}

inline void string(Writer& w, const std::string& s)
{
    w.String(s.c_str(), static_cast<rapidjson::SizeType>(s.size()));
}

inline void string(Writer& w, const std::optional<std::string>& s)
{
    if (s)
        string(w, *s);
    else
        w.Null();
}

/// The keys every summary starts with: "status", "result" and "messages".
inline void runOutcome(Writer& w, ERunStatus status, const std::optional<std::uint32_t>& result,
                       const std::vector<std::string>& messages)
{
    w.Key("status");
    string(w, std::string(runStatusName(status)));
    w.Key("result");
    if (result)
        w.Uint(*result);
    else
        w.Null();
    w.Key("messages");
    w.StartArray();
    for (const auto& m : messages)
        string(w, m);
    w.EndArray();
}
} // namespace cae_app::summary_json
