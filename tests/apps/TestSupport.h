#pragma once

#include "apps/output/AtomicFile.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cae_app_test
{
/// A fresh folder under the system's temporary folder, named after the running test and the test
/// process (so that builds testing side by side on one machine never share it), removed afterwards.
class TempDir
{
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path =
            std::filesystem::temp_directory_path() / (std::string("cae_app_") + info->test_suite_name() +
                                                      "_" + info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The checkout the tests were built from, as their environment names it (else the current folder).
inline std::filesystem::path sourceDir()
{
    const char* source = std::getenv("CAE_SOURCE_DIR");
    return std::filesystem::path(source ? source : ".");
}

inline std::filesystem::path examplesDir()
{
    return sourceDir() / "examples";
}

inline std::string slurp(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void spit(const std::filesystem::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

/// Whether a writer left a temporary file behind in `dir`.
inline bool hasTemporaryFiles(const std::filesystem::path& dir)
{
    if (!std::filesystem::exists(dir))
        return false;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (cae_app::isTemporaryName(e.path()))
            return true;
    return false;
}

/// The numbers of the .vtu data array whose opening tag has `marker` (e.g. `Name="displacement"`,
/// or `NumberOfComponents="3" format` for the points, the only unnamed array).
inline std::vector<double> vtuArray(const std::string& vtu, const std::string& marker)
{
    const auto tag = vtu.find(marker);
    if (tag == std::string::npos)
        return {};
    const auto begin = vtu.find('>', tag) + 1;
    const auto end = vtu.find("</DataArray>", begin);
    std::vector<double> values;
    const char* p = vtu.data() + begin;
    const char* last = vtu.data() + end;
    while (p < last)
    {
        while (p < last && (*p == ' ' || *p == '\n'))
            ++p;
        if (p == last)
            break;
        double v = 0;
        const auto [next, ec] = std::from_chars(p, last, v);
        if (ec != std::errc())
            break;
        values.push_back(v);
        p = next;
    }
    return values;
}

/// The point coordinates of a .vtu text, three per point: the points' array is the only unnamed one.
inline std::vector<double> vtuPoints(const std::string& vtu)
{
    return vtuArray(vtu.substr(vtu.find("<Points>")), "<DataArray");
}

/// A DXF drawing written the way CAD programs store one, entity by entity, for tests that read
/// drawings. Handles count up from 0x100; every entity goes on `layer`.
class DxfText
{
public:
    /// `insunits` < 0 leaves $INSUNITS out (a unitless drawing).
    explicit DxfText(int insunits = 4)
    {
        m_text = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$HANDSEED\n5\n10000\n";
        if (insunits >= 0)
            m_text += "9\n$INSUNITS\n70\n" + std::to_string(insunits) + "\n";
        m_text += "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    }

    DxfText& line(double x0, double y0, double x1, double y1, const std::string& layer = "PART")
    {
        start("LINE", layer);
        return pairs({{10, x0}, {20, y0}, {30, 0}, {11, x1}, {21, y1}, {31, 0}});
    }
    /// Counter-clockwise from `a0` to `a1` degrees.
    DxfText& arc(double cx, double cy, double r, double a0, double a1, const std::string& layer = "PART")
    {
        start("ARC", layer);
        return pairs({{10, cx}, {20, cy}, {30, 0}, {40, r}, {50, a0}, {51, a1}});
    }
    /// An arc about the normal -z: its centre and angles in the plane seen from below, whose x axis is -x.
    DxfText& arcFromBelow(double cx, double cy, double r, double a0, double a1,
                          const std::string& layer = "PART")
    {
        start("ARC", layer);
        return pairs(
            {{10, cx}, {20, cy}, {30, 0}, {40, r}, {210, 0}, {220, 0}, {230, -1}, {50, a0}, {51, a1}});
    }
    DxfText& circle(double cx, double cy, double r, const std::string& layer = "PART")
    {
        start("CIRCLE", layer);
        return pairs({{10, cx}, {20, cy}, {30, 0}, {40, r}});
    }
    DxfText& ellipse(double cx, double cy, double mx, double my, double ratio, double p0, double p1,
                     const std::string& layer = "PART")
    {
        start("ELLIPSE", layer);
        return pairs(
            {{10, cx}, {20, cy}, {30, 0}, {11, mx}, {21, my}, {31, 0}, {40, ratio}, {41, p0}, {42, p1}});
    }
    /// Vertices as {x, y, bulge of the segment leaving the vertex}.
    DxfText& polyline(const std::vector<std::array<double, 3>>& vertices, bool closed,
                      const std::string& layer = "PART")
    {
        start("LWPOLYLINE", layer);
        m_text += "90\n" + std::to_string(vertices.size()) + "\n70\n" + (closed ? "1" : "0") + "\n";
        for (const auto& v : vertices)
            pairs({{10, v[0]}, {20, v[1]}, {42, v[2]}});
        return *this;
    }
    /// A clamped non-rational spline of `degree`.
    DxfText& spline(int degree, const std::vector<double>& knots,
                    const std::vector<std::array<double, 2>>& points, const std::string& layer = "PART")
    {
        start("SPLINE", layer);
        m_text += "70\n8\n71\n" + std::to_string(degree) + "\n72\n" + std::to_string(knots.size()) +
                  "\n73\n" + std::to_string(points.size()) + "\n74\n0\n";
        for (const double k : knots)
            pairs({{40, k}});
        for (const auto& p : points)
            pairs({{10, p[0]}, {20, p[1]}, {30, 0}});
        return *this;
    }
    /// A spline given by its fit points alone, as some programs save one.
    DxfText& fitSpline(const std::vector<std::array<double, 2>>& points, const std::string& layer = "PART")
    {
        start("SPLINE", layer);
        m_text += "70\n8\n71\n3\n72\n0\n73\n0\n74\n" + std::to_string(points.size()) + "\n";
        for (const auto& p : points)
            pairs({{11, p[0]}, {21, p[1]}, {31, 0}});
        return *this;
    }
    /// An entity of any other kind, with a position.
    DxfText& other(const std::string& kind, const std::string& layer = "PART")
    {
        start(kind, layer);
        return pairs({{10, 0}, {20, 0}, {30, 0}});
    }
    /// The handle the next entity gets, as the drawing writes it.
    std::string nextHandle() const
    {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%X", m_handle);
        return buffer;
    }
    std::string text() const { return m_text + "0\nENDSEC\n0\nEOF\n"; }

private:
    void start(const std::string& kind, const std::string& layer)
    {
        m_text += "0\n" + kind + "\n5\n" + nextHandle() + "\n8\n" + layer + "\n";
        ++m_handle;
    }
    DxfText& pairs(std::initializer_list<std::pair<int, double>> values)
    {
        for (const auto& [code, value] : values)
        {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.17g", value);
            m_text += std::to_string(code) + "\n" + buffer + "\n";
        }
        return *this;
    }

    std::string m_text;
    unsigned m_handle = 0x100;
};
/// `s` in single quotes for the shell.
inline std::string quote(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

/// A command's exit status and what it printed.
struct Outcome
{
    int exitStatus = -1;
    std::string out;
    std::string err;
};

/// Runs `command` in the shell with its output in files under `scratch`.
inline Outcome run(const std::string& command, const std::filesystem::path& scratch)
{
    const std::filesystem::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    const int status =
        std::system((command + " >" + quote(out.string()) + " 2>" + quote(err.string())).c_str());
    Outcome o;
    o.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
}
// Three point loads 2 apart on top and five point supports 2 apart below a 40 x 10 strip, their
// glyphs small beside the labels: every load label starts over its neighbour, and so do the
// reactions' labels.
constexpr const char* kCrowded = R"({
  "drawing": {"measurement": "metric", "insunits": "millimeters"},
  "region": {"outer": [{"line": {"from": [0, 0], "to": [40, 0]}}, {"line": {"from": [40, 0], "to": [40, 10]}},
                       {"line": {"from": [40, 10], "to": [0, 10]}}, {"line": {"from": [0, 10], "to": [0, 0]}}]},
  "mode": "planeStress",
  "elementType": "triangle3",
  "material": {"thickness": 5, "youngsModulus": 210000, "poissonRatio": 0.3, "yield": 235},
  "mesh": {"size": 2},
  "loadsAndSupports": [
    {"pointLoad": {"location": [18, 10], "direction": [0, -1], "magnitude": 100}},
    {"pointLoad": {"location": [20, 10], "direction": [0, -1], "magnitude": 200}},
    {"pointLoad": {"location": [22, 10], "direction": [0, -1], "magnitude": 300}},
    {"pointSupport": {"location": [0, 0]}},
    {"pointSupport": {"location": [2, 0]}},
    {"pointSupport": {"location": [4, 0]}},
    {"pointSupport": {"location": [40, 0], "rolling": true, "direction": [0, 1]}},
    {"pointSupport": {"location": [38, 0], "rolling": true, "direction": [0, 1]}}
  ]
})";

} // namespace cae_app_test
