#include "cae_core/meshing_parameters/ParameterFiles.h"
#include "cae_core/core/ReporterMessages.h"
#include "tests/support/Seed.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace cae_core
{
namespace
{
namespace fs = std::filesystem;

class ParameterFiles : public testing::Test
{
protected:
    void SetUp() override
    {
        registerReporterMessages();
        m_dir = fs::temp_directory_path() / ("cae_parameter_files_" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::remove_all(m_dir);
        unregisterReporterMessages();
    }

    OdString path(const char* name) const { return OdString((m_dir / name).string().c_str()); }
    void put(const char* name, const std::string& text) const
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    std::string get(const char* name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::ostringstream m_log;
    ut::StreamReporter m_reporter{m_log};
    fs::path m_dir;
};

TEST_F(ParameterFiles, WriteTheSetOptionsInOptionOrderWithFourSpaceIndentation)
{
    MeshingParameters p = MeshingParameters::buildParameters(1.0);
    ASSERT_EQ(writeJsonFile(path("built.json"), p), eOk);
    EXPECT_EQ(get("built.json"), "{\n"
                                 "    \"surface_parameters\": {\n"
                                 "        \"closed_geometry\": true,\n"
                                 "        \"global_physical_size\": \"0.03r\",\n"
                                 "        \"manifold_geometry\": true,\n"
                                 "        \"process_3d_topology\": true,\n"
                                 "        \"remove_tiny_edges\": true,\n"
                                 "        \"tiny_edge_length\": \"0.0001r\"\n"
                                 "    },\n"
                                 "    \"tetra_parameters\": {\n"
                                 "        \"use_volume_proximity\": true\n"
                                 "    }\n"
                                 "}");
    EXPECT_FALSE(fs::exists(m_dir / "built.json.part"));
}

TEST_F(ParameterFiles, ReadBackEqualToWhatWasWritten)
{
    MeshingParameters fixed = MeshingParameters::defaultMeshGemsParameters();
    fixed.tetraParameters.pthreadsMode = TetraParameters::eAggressive;
    fixed.tetraParameters.gradation = MeshingReal(1.0 / 3.0, MeshingReal::eAbsolute);
    MeshingParameters empty;
    for (MeshingParameters* written : {&fixed, &empty})
    {
        ASSERT_EQ(writeJsonFile(path("round.json"), *written), eOk);
        MeshingParameters read = MeshingParameters::buildParameters(5.0);
        ASSERT_EQ(readJsonFile(m_reporter, path("round.json"), read), eOk);
        EXPECT_EQ(read, *written);
    }
    EXPECT_TRUE(m_reporter.messages().empty());
}

TEST_F(ParameterFiles, ReadTheAcceptedValueFormsAndIgnoreUnknownMembers)
{
    put("forms.json",
        "\xEF\xBB\xBF{\"surface_parameters\": {\"max_size\": \"D/5\", \"min_size\": 5, "
        "\"chordal_error\": \"D\", \"sewing_tolerance\": \"2.5*D\", \"gradation\": \"1e-3r\", "
        "\"metric\": \"ANISOTROPIC\", \"geometric_size_mode\": \"none\", \"closed_geometry\": null, "
        "\"tiny_edge_length\": \" 5r\", \"global_physical_size\": \"+0.5*D\", \"unknown\": [1, "
        "2]},\r\n\t\"tetra_parameters\": {\"max_number_of_threads\": 2}}");
    MeshingParameters p;
    ASSERT_EQ(readJsonFile(m_reporter, path("forms.json"), p), eOk);
    const auto& s = p.surfaceParameters;
    EXPECT_EQ(s.max_size, MeshingReal(5.0, MeshingReal::eDOver));
    EXPECT_EQ(s.min_size, MeshingReal(5.0, MeshingReal::eAbsolute));
    EXPECT_EQ(s.chordal_error, MeshingReal(1.0, MeshingReal::eTimesD));
    EXPECT_EQ(s.sewing_tolerance, MeshingReal(2.5, MeshingReal::eTimesD));
    EXPECT_EQ(s.gradation, MeshingReal(1e-3, MeshingReal::eRelative));
    // Numbers inside strings as the standard conversion reads them: leading blanks and a plus sign too.
    EXPECT_EQ(s.tiny_edge_length, MeshingReal(5.0, MeshingReal::eRelative));
    EXPECT_EQ(s.global_physical_size, MeshingReal(0.5, MeshingReal::eTimesD));
    EXPECT_EQ(s.metric, SurfaceParameters::eIsotropic);
    EXPECT_EQ(s.geometric_size_mode, SurfaceParameters::eGeometricNone);
    EXPECT_FALSE(s.closed_geometry.has_value());
    EXPECT_EQ(p.tetraParameters.max_number_of_threads, 2);
    EXPECT_TRUE(m_reporter.messages().empty());
}

TEST_F(ParameterFiles, ReadUtf16TextInEitherByteOrder)
{
    const std::string text =
        "{\"surface_parameters\": {\"metric\": \"anisotropic\"}, \"tetra_parameters\": {}}";
    for (const bool little : {true, false})
    {
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (const char c : text)
            bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
        put("wide.json", bytes);
        MeshingParameters p;
        ASSERT_EQ(readJsonFile(m_reporter, path("wide.json"), p), eOk);
        EXPECT_EQ(p.surfaceParameters.metric, SurfaceParameters::eAnisotropic);
        put("wide.json", bytes + "x");
        EXPECT_EQ(readJsonFile(m_reporter, path("wide.json"), p), eParseError);
    }
}

TEST_F(ParameterFiles, DamagedFilesAreRefusedWithTheirCodeAndLeaveTheRecordAlone)
{
    struct Case
    {
        std::string text;
        EResult result;
        const char* reported; ///< the option named in the wrong-type report, null when none
    };
    const Case cases[] = {
        {"{\"surface_parameters\": {}, \"tetra_parameters\": {}", eParseError, nullptr},
        {"{\"surface_parameters\": {}, \"tetra_parameters\": {}} x", eParseError, nullptr},
        {"{\"surface_parameters\": {\"metric\": \"\xC3\x28\"}, \"tetra_parameters\": {}}", eParseError,
         nullptr},
        {"", eParseError, nullptr},
        {std::string(100000, '['), eParseError, nullptr},
        {"[1, 2]", eMissingData, nullptr},
        {"{\"surface_parameters\": {\"max_size\": 1}}", eMissingData, nullptr},
        {"{\"tetra_parameters\": {}}", eMissingData, nullptr},
        {"{\"surface_parameters\": {\"max_size\": true}, \"tetra_parameters\": {}}", eWrongType, "max_size"},
        {"{\"surface_parameters\": {\"max_size\": \"5\"}, \"tetra_parameters\": {}}", eWrongType, "max_size"},
        {"{\"surface_parameters\": {\"min_size\": \"D/x\"}, \"tetra_parameters\": {}}", eWrongType,
         "min_size"},
        {"{\"surface_parameters\": {\"min_size\": \"1 r\"}, \"tetra_parameters\": {}}", eWrongType,
         "min_size"},
        {"{\"surface_parameters\": {\"metric\": 1}, \"tetra_parameters\": {}}", eWrongType, "metric"},
        {"{\"surface_parameters\": {}, \"tetra_parameters\": {\"max_number_of_threads\": 2.5}}", eWrongType,
         "max_number_of_threads"},
        {"{\"surface_parameters\": {}, \"tetra_parameters\": {\"use_volume_proximity\": \"true\"}}",
         eWrongType, "use_volume_proximity"},
        {"{\"surface_parameters\": 3, \"tetra_parameters\": {}}", eWrongType, "surface_parameters"},
    };
    for (const auto& c : cases)
    {
        put("damaged.json", c.text);
        m_reporter.clear();
        MeshingParameters p = MeshingParameters::defaultMeshGemsParameters();
        EXPECT_EQ(readJsonFile(m_reporter, path("damaged.json"), p), c.result) << c.text.substr(0, 80);
        EXPECT_EQ(p, MeshingParameters::defaultMeshGemsParameters());
        if (c.reported)
        {
            ASSERT_EQ(m_reporter.messages().size(), 1u);
            EXPECT_EQ(m_reporter.messages()[0].text, OdString("Failed to parse JSON parameter ") +
                                                         OdString(c.reported) + L". It has wrong type");
        }
        else
            EXPECT_TRUE(m_reporter.messages().empty());
    }
}

TEST_F(ParameterFiles, ArbitraryBytesGiveAResultCodeAndChangeNothingUnlessRead)
{
    // Mutations of a valid document.
    std::mt19937 random(static_cast<unsigned>(test_support::testSeed()));
    MeshingParameters fixed = MeshingParameters::defaultMeshGemsParameters();
    ASSERT_EQ(writeJsonFile(path("valid.json"), fixed), eOk);
    const std::string valid = get("valid.json");
    ut::StreamReporter quiet{m_log};
    for (int run = 0; run < 2000; ++run)
    {
        std::string bytes = valid;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !bytes.empty(); ++e)
        {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3)
            {
            case 0:
                bytes[at] = static_cast<char>(random() % 256);
                break;
            case 1:
                bytes.erase(at, 1 + random() % 16);
                break;
            default:
                bytes.insert(at, 1, "{}[]\":,0eE.-rD/ \xC3\xFF"[random() % 19]);
            }
        }
        MeshingParameters p = MeshingParameters::buildParameters(3.0);
        const EResult r = readJsonText(quiet, bytes, p);
        ASSERT_TRUE(r == eOk || r == eMissingData || r == eParseError || r == eWrongType) << r;
        if (r != eOk)
        {
            ASSERT_EQ(p, MeshingParameters::buildParameters(3.0));
        }
    }
}

TEST_F(ParameterFiles, UnopenableFilesGiveTheFileError)
{
    MeshingParameters p = MeshingParameters::defaultParameters();
    EXPECT_EQ(readJsonFile(m_reporter, path("missing.json"), p), eFileError);
    // A folder opens as a stream here, and reading it threw out of the reader.
    fs::create_directory(m_dir / "folder.json");
    EXPECT_EQ(readJsonFile(m_reporter, path("folder.json"), p), eFileError);
    EXPECT_EQ(writeJsonFile(path("no_such_folder/out.json"), p), eFileError);
    p.surfaceParameters.gradation =
        MeshingReal(std::numeric_limits<double>::infinity(), MeshingReal::eAbsolute);
    put("kept.json", "old");
    EXPECT_EQ(writeJsonFile(path("kept.json"), p), eWriteError);
    EXPECT_EQ(get("kept.json"), "old");
}
} // namespace
} // namespace cae_core
