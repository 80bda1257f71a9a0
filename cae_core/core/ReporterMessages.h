#pragma once

#include "host/ut/Reporter.h"

#include <cstdint>

namespace cae_core
{
/// Keys of the module's reporter messages. The values are the module's own; the host only needs
/// them to be distinct from the keys of other modules.
enum EReporterMessage : std::uint32_t
{
    eRpt_Fmt_ErrorParseJsonWrongParameterType = 0x43AE0001,
    eRpt_Fmt_SurfaceSessionFailed,
    eRpt_Fmt_TetraSessionFailed,
    eRpt_EntityHasNoConstraints,
    eRpt_EntityHasNoLoads,
    eRpt_NastranNotFoundCustom,
    eRpt_NastranFailedToRun_ls
};

/// One row of the module's message table.
struct ReporterMessageRow
{
    EReporterMessage key;
    int severity;
    int highlight;
    const char* text; ///< null for the wide-text row
};

/// The module's messages in registration order. The "%ls" row of eRpt_NastranNotFoundCustom is
/// registered through the wide-text overload, so its narrow text is null here.
inline constexpr ReporterMessageRow kReporterMessages[] = {
    {eRpt_Fmt_ErrorParseJsonWrongParameterType, 0, 1,
     "Failed to parse JSON parameter %ls. It has wrong type"},
    {eRpt_Fmt_SurfaceSessionFailed, 0, 1, "Failed to create surface mesh for entity. Mesher message: %ls"},
    {eRpt_Fmt_TetraSessionFailed, 0, 1, "Failed to create tetra mesh for entity. Mesher message: %ls"},
    {eRpt_EntityHasNoConstraints, 1, 1,
     "Entity doesn't have CAE constraints. The CAE task may not be solved"},
    {eRpt_EntityHasNoLoads, 1, 1, "Entity doesn't have CAE loads. The CAE task may not be solved"},
    {eRpt_NastranNotFoundCustom, 0, 1, nullptr},
    {eRpt_NastranFailedToRun_ls, 0, 1, "Failed to run MSC Nastran (%ls)"},
};

/// Registers the module's message texts with the host, in table order.
inline void registerReporterMessages()
{
    auto& registry = ut::ReporterMessageRegistry::instance();
    for (const auto& row : kReporterMessages)
    {
        const auto severity = static_cast<ut::IReporterMessage::ESeverity>(row.severity);
        const auto highlight = static_cast<ut::IReporterMessage::EHighlightDuration>(row.highlight);
        if (row.text)
            registry.registerMessage(row.key, severity, highlight, row.text);
        else
            registry.registerMessage(row.key, severity, highlight, L"%ls");
    }
}

/// Removes the module's message texts, in table order.
inline void unregisterReporterMessages()
{
    auto& registry = ut::ReporterMessageRegistry::instance();
    for (const auto& row : kReporterMessages)
        registry.unregisterMessage(row.key);
}
} // namespace cae_core
