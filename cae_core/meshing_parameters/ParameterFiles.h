#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/meshing_parameters/MeshingParameters.h"
#include "host/ut/Reporter.h"
#include "platform/base/OdString.h"

#include <rapidjson/document.h>

#include <string_view>

namespace cae_core
{
/// Parameter documents are built with 16-bit code units.
using JsonEncoding = rapidjson::UTF16<char16_t>;
using JsonDocument = rapidjson::GenericDocument<JsonEncoding>;
using JsonValue = rapidjson::GenericValue<JsonEncoding>;

/// Writes a parameter file: one object with "surface_parameters" and "tetra_parameters", each
/// holding the set options in option order. The file is written as UTF-8 (plain ASCII in practice)
/// through a temporary sibling that replaces `path` only when complete.
/// eWriteError when the document cannot be serialised (a non-finite absolute value), eFileError
/// when the file cannot be written.
EResult writeJsonFile(const OdString& path, MeshingParameters& params);

/// Reads a parameter file into `params`, which is changed only on success. eFileError when the
/// file cannot be opened, otherwise the result of readJsonText.
EResult readJsonFile(ut::IReporter& reporter, const OdString& path, MeshingParameters& params);

/// Reads a parameter document from raw bytes: UTF-8, or UTF-16 in either byte order when the text
/// starts with its byte-order mark (a UTF-8 mark is skipped).
/// Accepts any bytes: eParseError for text that is not one well-formed JSON value, eMissingData
/// when the root is not an object holding both groups, eWrongType (reported through `reporter`
/// with the option's name) for an option, or a group, of the wrong kind. `params` is changed only
/// on success.
EResult readJsonText(ut::IReporter& reporter, std::string_view bytes, MeshingParameters& params);

/// Adds one member per set option to a JSON object, in visiting order. Never fails.
class WriteJsonDocVisitor : public ISurfaceParametersVisitor, public ITetraParametersVisitor
{
public:
    /// `object` must be a JSON object; `allocator` is its document's.
    WriteJsonDocVisitor(JsonValue& object, JsonDocument::AllocatorType& allocator);

    EResult visit(const std::string& name, MeshingOption<std::int32_t>& option) override;
    EResult visit(const std::string& name, MeshingOption<MeshingReal>& option) override;
    EResult visit(const std::string& name, MeshingOption<bool>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<SurfaceParameters::EPhysicalSizeMode>& option) override;
    EResult visit(const std::string& name, MeshingOption<SurfaceParameters::EMetric>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<SurfaceParameters::EGeometricSizeMode>& option) override;
    EResult visit(const std::string& name, MeshingOption<TetraParameters::EPThreadsMode>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<TetraParameters::EOptimizationLevel>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<TetraParameters::EBoundaryRegeneration>& option) override;

private:
    void add(const std::string& name, JsonValue value);
    void addText(const std::string& name, const std::string& text);
    template <class E>
    EResult addEnum(const std::string& name, const MeshingOption<E>& option, std::string (*toStr)(E));

    JsonValue& m_object;
    JsonDocument::AllocatorType& m_allocator;
};

/// Sets each option from the member of its name in a JSON object: absent leaves it as it is, null
/// unsets it, a value of the wrong kind is reported (eRpt_Fmt_ErrorParseJsonWrongParameterType with
/// the option's name) and stops the walk with eWrongType.
class ReadJsonDocVisitor : public ISurfaceParametersVisitor, public ITetraParametersVisitor
{
public:
    /// `object` must be a JSON object and outlive the visitor.
    ReadJsonDocVisitor(const JsonValue& object, ut::IReporter& reporter);

    EResult visit(const std::string& name, MeshingOption<std::int32_t>& option) override;
    EResult visit(const std::string& name, MeshingOption<MeshingReal>& option) override;
    EResult visit(const std::string& name, MeshingOption<bool>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<SurfaceParameters::EPhysicalSizeMode>& option) override;
    EResult visit(const std::string& name, MeshingOption<SurfaceParameters::EMetric>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<SurfaceParameters::EGeometricSizeMode>& option) override;
    EResult visit(const std::string& name, MeshingOption<TetraParameters::EPThreadsMode>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<TetraParameters::EOptimizationLevel>& option) override;
    EResult visit(const std::string& name,
                  MeshingOption<TetraParameters::EBoundaryRegeneration>& option) override;

private:
    /// The member of `name`, null when absent.
    const JsonValue* find(const std::string& name) const;
    EResult wrongType(const std::string& name) const;
    template <class E, class Parse>
    EResult visitEnum(const std::string& name, MeshingOption<E>& option, Parse parse);

    const JsonValue& m_object;
    ut::IReporter& m_reporter;
};
} // namespace cae_core
