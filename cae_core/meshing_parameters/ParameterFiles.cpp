#include "cae_core/meshing_parameters/ParameterFiles.h"

#include "cae_core/core/ReporterMessages.h"
#include "host/ut/File.h"

#include <rapidjson/encodedstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace cae_core
{
namespace
{
constexpr char16_t kSurfaceGroup[] = u"surface_parameters";
constexpr char16_t kTetraGroup[] = u"tetra_parameters";

// Option names and the texts the program writes are ASCII, so widening is a plain copy.
std::u16string widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

// A text read from a file back to 8 bits; false when it holds anything outside ASCII, which no
// option text or number does.
bool narrow(const JsonValue& value, std::string& out)
{
    out.clear();
    const char16_t* s = value.GetString();
    for (rapidjson::SizeType i = 0; i < value.GetStringLength(); ++i)
    {
        if (s[i] == 0 || s[i] > 0x7F)
            return false;
        out.push_back(static_cast<char>(s[i]));
    }
    return true;
}

// As the standard string-to-double conversion reads it (leading white space, a sign, a plus too,
// hexadecimal), but the whole text must be the number: anything after it makes the conversion fail, and so
// does a value out of range or not finite, which no size or ratio is.
bool parseNumber(std::string_view text, double& value)
{
    const std::string copy(text);
    if (copy.empty() || std::isspace(static_cast<unsigned char>(copy.back())))
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    return end != copy.c_str() && *end == '\0' && errno != ERANGE && std::isfinite(value);
}

bool parseReal(const std::string& text, MeshingReal& real)
{
    std::string_view t = text;
    if (t == "D")
    {
        real = MeshingReal(1.0, MeshingReal::eTimesD);
        return true;
    }
    MeshingReal::EType type;
    if (t.starts_with("D/"))
    {
        type = MeshingReal::eDOver;
        t.remove_prefix(2);
    }
    else if (t.ends_with("*D"))
    {
        type = MeshingReal::eTimesD;
        t.remove_suffix(2);
    }
    else if (t.ends_with("r"))
    {
        type = MeshingReal::eRelative;
        t.remove_suffix(1);
    }
    else
        return false;
    double value = 0.0;
    if (!parseNumber(t, value))
        return false;
    real = MeshingReal(value, type);
    return true;
}
} // namespace

WriteJsonDocVisitor::WriteJsonDocVisitor(JsonValue& object, JsonDocument::AllocatorType& allocator)
    : m_object(object), m_allocator(allocator)
{
}

void WriteJsonDocVisitor::add(const std::string& name, JsonValue value)
{
    const std::u16string key = widen(name);
    m_object.AddMember(JsonValue(key.c_str(), static_cast<rapidjson::SizeType>(key.size()), m_allocator),
                       value, m_allocator);
}

void WriteJsonDocVisitor::addText(const std::string& name, const std::string& text)
{
    const std::u16string value = widen(text);
    add(name, JsonValue(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), m_allocator));
}

template <class E>
EResult WriteJsonDocVisitor::addEnum(const std::string& name, const MeshingOption<E>& option,
                                     std::string (*toStr)(E))
{
    if (option)
        addText(name, toStr(*option));
    return eOk;
}

EResult WriteJsonDocVisitor::visit(const std::string& name, MeshingOption<std::int32_t>& option)
{
    if (option)
        add(name, JsonValue(*option));
    return eOk;
}

EResult WriteJsonDocVisitor::visit(const std::string& name, MeshingOption<MeshingReal>& option)
{
    if (!option)
        return eOk;
    if (option->type == MeshingReal::eAbsolute)
        add(name, JsonValue(option->value));
    else
        addText(name, option->format());
    return eOk;
}

EResult WriteJsonDocVisitor::visit(const std::string& name, MeshingOption<bool>& option)
{
    if (option)
        add(name, JsonValue(*option));
    return eOk;
}

EResult WriteJsonDocVisitor::visit(const std::string& name,
                                   MeshingOption<SurfaceParameters::EPhysicalSizeMode>& option)
{
    return addEnum(name, option, &SurfaceParameters::toStr);
}

EResult WriteJsonDocVisitor::visit(const std::string& name, MeshingOption<SurfaceParameters::EMetric>& option)
{
    return addEnum(name, option, &SurfaceParameters::toStr);
}

EResult WriteJsonDocVisitor::visit(const std::string& name,
                                   MeshingOption<SurfaceParameters::EGeometricSizeMode>& option)
{
    return addEnum(name, option, &SurfaceParameters::toStr);
}

EResult WriteJsonDocVisitor::visit(const std::string& name,
                                   MeshingOption<TetraParameters::EPThreadsMode>& option)
{
    return addEnum(name, option, &TetraParameters::toStr);
}

EResult WriteJsonDocVisitor::visit(const std::string& name,
                                   MeshingOption<TetraParameters::EOptimizationLevel>& option)
{
    return addEnum(name, option, &TetraParameters::toStr);
}

EResult WriteJsonDocVisitor::visit(const std::string& name,
                                   MeshingOption<TetraParameters::EBoundaryRegeneration>& option)
{
    return addEnum(name, option, &TetraParameters::toStr);
}

ReadJsonDocVisitor::ReadJsonDocVisitor(const JsonValue& object, ut::IReporter& reporter)
    : m_object(object), m_reporter(reporter)
{
}

const JsonValue* ReadJsonDocVisitor::find(const std::string& name) const
{
    const std::u16string key = widen(name);
    const auto it = m_object.FindMember(JsonValue(rapidjson::StringRef(key.c_str(), key.size())));
    return it == m_object.MemberEnd() ? nullptr : &it->value;
}

EResult ReadJsonDocVisitor::wrongType(const std::string& name) const
{
    m_reporter.report(eRpt_Fmt_ErrorParseJsonWrongParameterType, OdString(name.c_str()));
    return eWrongType;
}

EResult ReadJsonDocVisitor::visit(const std::string& name, MeshingOption<std::int32_t>& option)
{
    const JsonValue* v = find(name);
    if (!v)
        return eOk;
    if (v->IsNull())
        option.reset();
    else if (v->IsInt())
        option = v->GetInt();
    else
        return wrongType(name);
    return eOk;
}

EResult ReadJsonDocVisitor::visit(const std::string& name, MeshingOption<MeshingReal>& option)
{
    const JsonValue* v = find(name);
    if (!v)
        return eOk;
    MeshingReal real;
    std::string text;
    if (v->IsNull())
        option.reset();
    else if (v->IsNumber())
        option = MeshingReal(v->GetDouble(), MeshingReal::eAbsolute);
    else if (v->IsString() && narrow(*v, text) && parseReal(text, real))
        option = real;
    else
        return wrongType(name);
    return eOk;
}

EResult ReadJsonDocVisitor::visit(const std::string& name, MeshingOption<bool>& option)
{
    const JsonValue* v = find(name);
    if (!v)
        return eOk;
    if (v->IsNull())
        option.reset();
    else if (v->IsBool())
        option = v->GetBool();
    else
        return wrongType(name);
    return eOk;
}

template <class E, class Parse>
EResult ReadJsonDocVisitor::visitEnum(const std::string& name, MeshingOption<E>& option, Parse parse)
{
    const JsonValue* v = find(name);
    if (!v)
        return eOk;
    if (v->IsNull())
    {
        option.reset();
        return eOk;
    }
    if (!v->IsString())
        return wrongType(name);
    // A text with characters outside ASCII cannot name an enumerator and parses to value 0.
    std::string text;
    option = narrow(*v, text) ? parse(text) : static_cast<E>(0);
    return eOk;
}

EResult ReadJsonDocVisitor::visit(const std::string& name,
                                  MeshingOption<SurfaceParameters::EPhysicalSizeMode>& option)
{
    return visitEnum(name, option, &SurfaceParameters::parsePhysicalSizeMode);
}

EResult ReadJsonDocVisitor::visit(const std::string& name, MeshingOption<SurfaceParameters::EMetric>& option)
{
    return visitEnum(name, option, &SurfaceParameters::parseMetric);
}

EResult ReadJsonDocVisitor::visit(const std::string& name,
                                  MeshingOption<SurfaceParameters::EGeometricSizeMode>& option)
{
    return visitEnum(name, option, &SurfaceParameters::parseGeometricSizeMode);
}

EResult ReadJsonDocVisitor::visit(const std::string& name,
                                  MeshingOption<TetraParameters::EPThreadsMode>& option)
{
    return visitEnum(name, option, &TetraParameters::parsePThreadsMode);
}

EResult ReadJsonDocVisitor::visit(const std::string& name,
                                  MeshingOption<TetraParameters::EOptimizationLevel>& option)
{
    return visitEnum(name, option, &TetraParameters::parseOptimizationLevel);
}

EResult ReadJsonDocVisitor::visit(const std::string& name,
                                  MeshingOption<TetraParameters::EBoundaryRegeneration>& option)
{
    return visitEnum(name, option, &TetraParameters::parseBoundaryRegeneration);
}

EResult writeJsonFile(const OdString& path, MeshingParameters& params)
{
    JsonDocument doc;
    doc.SetObject();
    auto& allocator = doc.GetAllocator();

    JsonValue surface(rapidjson::kObjectType);
    WriteJsonDocVisitor surfaceWriter(surface, allocator);
    if (const EResult r = params.surfaceParameters.accept(surfaceWriter); r != eOk)
        return r;
    doc.AddMember(JsonValue(rapidjson::StringRef(kSurfaceGroup)), surface, allocator);

    JsonValue tetra(rapidjson::kObjectType);
    WriteJsonDocVisitor tetraWriter(tetra, allocator);
    if (const EResult r = params.tetraParameters.accept(tetraWriter); r != eOk)
        return r;
    doc.AddMember(JsonValue(rapidjson::StringRef(kTetraGroup)), tetra, allocator);

    // Serialised completely before the file is touched, so a failure leaves any earlier file intact.
    rapidjson::StringBuffer text;
    rapidjson::PrettyWriter<rapidjson::StringBuffer, JsonEncoding, rapidjson::UTF8<>> writer(text);
    writer.SetIndent(' ', 4);
    if (!doc.Accept(writer))
        return eWriteError;

    // Written beside the file and renamed over it rather than truncating it first: a write that fails
    // half way (a full disk) then leaves the earlier parameters whole instead of an empty or cut file.
    const std::string target = ut::convFileNameToMB(path);
    const std::string temporary = target + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return eFileError;
        out.write(text.GetString(), static_cast<std::streamsize>(text.GetSize()));
        out.close();
        if (!out)
        {
            std::remove(temporary.c_str());
            return eFileError;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        return eFileError;
    }
    return eOk;
}

EResult readJsonFile(ut::IReporter& reporter, const OdString& path, MeshingParameters& params)
{
    const std::string name = ut::convFileNameToMB(path);
    // A folder opens as a stream on some systems, and reading it then throws from inside the stream.
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error))
        return eFileError;
    std::string bytes;
    try
    {
        std::ifstream in(name, std::ios::binary);
        if (!in)
            return eFileError;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return eFileError;
    }
    catch (const std::exception&)
    {
        return eFileError;
    }
    return readJsonText(reporter, bytes, params);
}

EResult readJsonText(ut::IReporter& reporter, std::string_view bytes, MeshingParameters& params)
{
    // Iterative parsing keeps deeply nested input from exhausting the stack; validation refuses
    // text that is not in the encoding its byte-order mark (or, without one, UTF-8) announces.
    constexpr unsigned kFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag;
    JsonDocument doc;
    const bool littleEndian16 = bytes.starts_with("\xFF\xFE"), bigEndian16 = bytes.starts_with("\xFE\xFF");
    if (littleEndian16 || bigEndian16)
    {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0)
            return eParseError;
        rapidjson::MemoryStream memory(bytes.data(), bytes.size());
        if (littleEndian16)
        {
            rapidjson::EncodedInputStream<rapidjson::UTF16LE<char16_t>, rapidjson::MemoryStream> in(memory);
            doc.ParseStream<kFlags, rapidjson::UTF16LE<char16_t>>(in);
        }
        else
        {
            rapidjson::EncodedInputStream<rapidjson::UTF16BE<char16_t>, rapidjson::MemoryStream> in(memory);
            doc.ParseStream<kFlags, rapidjson::UTF16BE<char16_t>>(in);
        }
    }
    else
    {
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        doc.Parse<kFlags, rapidjson::UTF8<>>(bytes.data(), bytes.size());
    }
    if (doc.HasParseError())
        return eParseError;
    if (!doc.IsObject())
        return eMissingData;

    MeshingParameters local;
    const auto readGroup = [&](const char16_t* group, const char* groupName, auto& parameters) -> EResult
    {
        const auto it = std::as_const(doc).FindMember(group);
        if (it == std::as_const(doc).MemberEnd())
            return eMissingData;
        if (!it->value.IsObject())
        {
            reporter.report(eRpt_Fmt_ErrorParseJsonWrongParameterType, OdString(groupName));
            return eWrongType;
        }
        ReadJsonDocVisitor reader(it->value, reporter);
        return parameters.accept(reader);
    };
    if (const EResult r = readGroup(kSurfaceGroup, "surface_parameters", local.surfaceParameters); r != eOk)
        return r;
    if (const EResult r = readGroup(kTetraGroup, "tetra_parameters", local.tetraParameters); r != eOk)
        return r;
    params = local;
    return eOk;
}
} // namespace cae_core
