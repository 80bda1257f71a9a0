#include "tools/nastran/F06.h"

#include <Eigen/Eigenvalues>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

namespace nastran
{
namespace
{

constexpr std::size_t kHeaderWidth = 132;   ///< page header lines 2 and 3 are padded to this width
constexpr std::size_t kTitleWidth = 72;     ///< title text from column 6 up to the date stamp
constexpr std::size_t kSubcaseColumn = 110; ///< "SUBCASE 1" on the label line

constexpr double kRadiansToDegrees = 57.29577951308232;

std::string padded(std::string s, std::size_t width)
{
    if (s.size() < width)
        s.append(width - s.size(), ' ');
    return s;
}

/// Principal stresses of an in-plane state: angle (degrees) of the major axis, major, minor.
void principal2d(double sx, double sy, double txy, double& angle, double& major, double& minor)
{
    const double c = 0.5 * (sx + sy);
    const double r = std::hypot(0.5 * (sx - sy), txy);
    major = c + r;
    minor = c - r;
    angle = (txy == 0.0 && sx >= sy) ? 0.0 : 0.5 * std::atan2(2.0 * txy, sx - sy) * kRadiansToDegrees;
}

/// v with `decimals` decimals, right-justified in `width` characters, as printf's "%*.*f" writes it;
/// without printf's parsing of a format, which a large printout would pay for millions of times.
std::string fixed(double v, int width, int decimals)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    const auto len = static_cast<std::size_t>(res.ptr - buf);
    std::string text(len < static_cast<std::size_t>(width) ? static_cast<std::size_t>(width) - len : 0, ' ');
    text.append(buf, len);
    return text;
}

} // namespace

namespace detail
{

void putRight(std::string& line, std::size_t lastColumn, std::string_view s)
{
    if (line.size() < lastColumn)
        line.resize(lastColumn, ' ');
    const std::size_t n = std::min(s.size(), lastColumn);
    line.replace(lastColumn - n, n, s.substr(s.size() - n));
}

void putReal(std::string& line, std::size_t signColumn, double v)
{
    char buf[32];
    std::size_t len = 0;
    if (v == 0.0)
    {
        buf[0] = ' ';
        buf[1] = '0';
        buf[2] = '.';
        buf[3] = '0';
        len = 4;
    }
    else
    {
        buf[0] = v < 0.0 ? '-' : ' ';
        const auto res =
            std::to_chars(buf + 1, buf + sizeof buf, std::abs(v), std::chars_format::scientific, 6);
        for (char* p = buf + 1; p != res.ptr; ++p)
            if (*p == 'e')
                *p = 'E';
        len = static_cast<std::size_t>(res.ptr - buf);
    }
    const std::size_t at = signColumn - 1;
    if (line.size() < at + len)
        line.resize(at + len, ' ');
    line.replace(at, len, buf, len);
}

void principal(const Stress6& s, double values[3], double vectors[3][3])
{
    Eigen::Matrix3d m;
    m << s[0], s[3], s[5], s[3], s[1], s[4], s[5], s[4], s[2];
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> es;
    es.computeDirect(m);
    for (int k = 0; k < 3; ++k)
    {
        // Eigen orders ascending; print the largest first.
        const int src = 2 - k;
        values[k] = es.eigenvalues()(src);
        Eigen::Vector3d v = es.eigenvectors().col(src);
        // A direction has no sign; print the one whose largest component is positive.
        Eigen::Index big = 0;
        v.cwiseAbs().maxCoeff(&big);
        if (v(big) < 0.0)
            v = -v;
        for (int i = 0; i < 3; ++i)
            vectors[i][k] = v(i);
    }
}

} // namespace detail

std::string todayStamp()
{
    static const char* const months[] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                         "MAY",       "JUNE",     "JULY",     "AUGUST",
                                         "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %3d, %d", months[tm.tm_mon], tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

F06Writer::F06Writer(std::ostream& out, const CaseControl& caseControl, std::string stamp)
    : m_out(out), m_cc(caseControl), m_stamp(std::move(stamp))
{
}

void F06Writer::pageHeader(bool subcase)
{
    ++m_page;
    std::string first =
        "1    " + padded(m_cc.title.substr(0, kTitleWidth), kTitleWidth) + " " + m_stamp + "   PAGE";
    char page[16];
    std::snprintf(page, sizeof page, "%6d", m_page);
    first += page;
    m_out << first << '\n';
    m_out << padded("     " + m_cc.subtitle, kHeaderWidth) << '\n';
    std::string third = padded("0    " + m_cc.label, kSubcaseColumn - 1);
    if (subcase)
        third += "SUBCASE 1";
    m_out << padded(third, kHeaderWidth) << '\n';
    m_linesOnPage = 0;
}

void F06Writer::startTable(std::vector<std::string> header, bool subcase)
{
    m_header = std::move(header);
    m_subcase = subcase;
    pageHeader(subcase);
    for (const auto& h : m_header)
        m_out << h << '\n';
    m_linesOnPage = static_cast<int>(m_header.size());
}

void F06Writer::line(std::string_view s)
{
    if (m_linesOnPage >= m_cc.linesPerPage)
    {
        pageHeader(m_subcase);
        for (const auto& h : m_header)
            m_out << h << '\n';
        m_linesOnPage = static_cast<int>(m_header.size());
    }
    m_out << s << '\n';
    ++m_linesOnPage;
}

void F06Writer::caseControlEcho()
{
    startTable({"0                                        C A S E    C O N T R O L    E C H O ",
                "                 COMMAND", "                 COUNT"},
               false);
    int n = 0;
    for (const auto& l : m_cc.lines)
    {
        char count[32];
        std::snprintf(count, sizeof count, "%19d      ", ++n);
        line(count + l);
    }
}

void F06Writer::bulkDataEcho(const std::vector<std::string>& lines)
{
    startTable({"0                                                 I N P U T   B U L K   D A T A   E C H O",
                "                 ENTRY", "                 COUNT"},
               false);
    int n = 0;
    for (const auto& l : lines)
    {
        char count[32];
        std::snprintf(count, sizeof count, "%19d-      ", ++n);
        line(count + l);
    }
    line("                        ENDDATA");
}

void F06Writer::modelSummary(const Model& model)
{
    std::map<std::string, std::size_t> counts;
    for (const auto& e : model.elements)
        ++counts[e.type == EElementType::eTria3   ? "CTRIA3"
                 : e.type == EElementType::eTria6 ? "CTRIA6"
                                                  : "CTETRA"];
    startTable({" ", "                                        M O D E L   S U M M A R Y", " "}, false);
    char buf[128];
    std::snprintf(buf, sizeof buf, "                                   NUMBER OF GRID     POINTS   = %8zu",
                  model.grids.size());
    line(buf);
    line(" ");
    for (const auto& [name, n] : counts)
    {
        std::snprintf(buf, sizeof buf, "                                   NUMBER OF %-8s ELEMENTS = %8zu",
                      name.c_str(), n);
        line(buf);
    }
}

void F06Writer::messages(const std::vector<Note>& notes)
{
    if (notes.empty())
        return;
    startTable({" "}, false);
    for (const auto& n : notes)
    {
        line(n.warning ? " *** USER WARNING MESSAGE" : " *** USER INFORMATION MESSAGE");
        line("     " + n.text);
    }
}

void F06Writer::fatal(const std::string& text)
{
    startTable({" "}, false);
    line(" *** USER FATAL MESSAGE");
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        line("     " + text.substr(start, nl - start));
        start = nl + 1;
    }
    line(" ");
    line("0 FATAL ERROR: THE ANALYSIS WAS NOT COMPLETED");
}

namespace
{
// The printout's titles and column heads, each one line of the page as it is printed; they are wider
// than the source's line limit, and split literals would hide the columns.
// clang-format off
constexpr const char* kGridTableHeader =
    "      POINT ID.   TYPE          T1             T2             T3             R1             R2             R3";
constexpr const char* kMpcForceTitle =
    "                                  F O R C E S   O F   M U L T I P O I N T   C O N S T R A I N T";
constexpr const char* kSpcForceTitle =
    "                               F O R C E S   O F   S I N G L E - P O I N T   C O N S T R A I N T";
constexpr const char* kTetraTitle =
    "                   S T R E S S E S   I N    T E T R A H E D R O N   S O L I D   E L E M E N T S   ( C T E T R A )";
constexpr const char* kTetraHeader1 =
    "0                CORNER        ------CENTER AND CORNER POINT STRESSES---------       DIR.  COSINES       MEAN                   ";
constexpr const char* kTetraHeader2 =
    "  ELEMENT-ID    GRID-ID        NORMAL              SHEAR             PRINCIPAL       -A-  -B-  -C-     PRESSURE       VON MISES ";
constexpr const char* kTria3Title =
    "                           S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )";
constexpr const char* kTria3Header1 =
    "  ELEMENT      FIBER               STRESSES IN ELEMENT COORD SYSTEM             PRINCIPAL STRESSES (ZERO SHEAR)                 ";
constexpr const char* kTria3Header2 =
    "    ID.       DISTANCE           NORMAL-X       NORMAL-Y      SHEAR-XY       ANGLE         MAJOR           MINOR        VON MISES";
constexpr const char* kTria6Title =
    "                           S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 6 )";
constexpr const char* kTria6Header1 =
    "    ELEMENT              FIBER            STRESSES IN ELEMENT COORD SYSTEM         PRINCIPAL STRESSES (ZERO SHEAR)               ";
constexpr const char* kTria6Header2 =
    "      ID      GRID-ID   DISTANCE        NORMAL-X      NORMAL-Y      SHEAR-XY      ANGLE        MAJOR         MINOR       VON MISES ";
// clang-format on

/// Where a row of a membrane table puts the fibre's distance, its stresses, the end of the principal
/// angle, and the major, minor and von Mises stresses: the TRIA3 and TRIA6 tables differ only there.
struct FibreColumns
{
    std::size_t distance, normalX, normalY, shear, angleEnd, major, minor, vonMises;
};
constexpr FibreColumns kTria3Columns{13, 31, 46, 61, 84, 88, 104, 119};
constexpr FibreColumns kTria6Columns{23, 38, 52, 66, 89, 92, 106, 120};

/// A row of a grid-point table: id ending in column 14, G in column 21, six values 15 columns apart.
std::string gridRow(Id grid, const std::array<double, 6>& values)
{
    std::string row(20, ' ');
    char id[32];
    std::snprintf(id, sizeof id, "%lld", static_cast<long long>(grid));
    detail::putRight(row, 14, id);
    row += "G";
    for (std::size_t c = 0; c < 6; ++c)
        detail::putReal(row, 27 + 15 * c, values[c]);
    return row;
}
} // namespace

void F06Writer::displacements(const Results& r)
{
    startTable({" ", "                                             D I S P L A C E M E N T   V E C T O R",
                " ", kGridTableHeader});
    for (std::size_t k = 0; k < r.gridIds.size(); ++k)
        line(gridRow(r.gridIds[k], r.displacement[k]));
}

void F06Writer::constraintForces(const Results& r, bool multipoint)
{
    const std::vector<GridForce>& forces = multipoint ? r.mpcForces : r.spcForces;
    if (forces.empty())
        return;
    startTable({" ", multipoint ? kMpcForceTitle : kSpcForceTitle, " ", kGridTableHeader});
    for (const GridForce& f : forces)
        line(gridRow(f.grid, f.force));
}

void F06Writer::tetraStresses(const Results& r)
{
    if (r.tetras.empty())
        return;
    startTable({" ", kTetraTitle, kTetraHeader1, kTetraHeader2});
    static const char* const normal[3] = {"X", "Y", "Z"};
    static const char* const shear[3] = {"XY", "YZ", "ZX"};
    static const char* const axis[3] = {"A", "B", "C"};
    static const char* const cosine[3] = {"LX", "LY", "LZ"};
    std::string rows[3];
    char id[64];
    for (const SolidResult& e : r.tetras)
    {
        std::snprintf(id, sizeof id, "0%10lld           0GRID CS  4 GP", static_cast<long long>(e.id));
        line(id);
        for (int p = 0; p < 5; ++p)
        {
            // Points with the same stresses as the previous one (every point of a linear tetrahedron)
            // share their formatted lines; only the point's label differs.
            const bool same = p > 0 && e.stress[p] == e.stress[p - 1];
            if (!same)
            {
                const Stress6& s = e.stress[p];
                double values[3];
                double vectors[3][3];
                detail::principal(s, values, vectors);
                for (int k = 0; k < 3; ++k)
                {
                    std::string& row = rows[k];
                    row.assign(25, ' ');
                    row += normal[k];
                    detail::putReal(row, 29, s[k]);
                    row.resize(43, ' ');
                    row += shear[k];
                    detail::putReal(row, 48, s[3 + k]);
                    row.resize(63, ' ');
                    row += axis[k];
                    detail::putReal(row, 67, values[k]);
                    row.resize(81, ' ');
                    row += cosine[k];
                    for (int c = 0; c < 3; ++c)
                        row += fixed(vectors[k][c], 5, 2);
                }
                detail::putReal(rows[0], 101, -(s[0] + s[1] + s[2]) / 3.0);
                detail::putReal(rows[0], 117, vonMises(s));
            }
            rows[0][0] = '0';
            if (p == 0)
                rows[0].replace(17, 6, "CENTER");
            else
            {
                const auto corner =
                    std::to_chars(id, id + sizeof id, e.corners[static_cast<std::size_t>(p - 1)]);
                rows[0].replace(11, 12, 12, ' ');
                detail::putRight(rows[0], 23,
                                 std::string_view(id, static_cast<std::size_t>(corner.ptr - id)));
            }
            for (const auto& row : rows)
                line(row);
        }
    }
}

void F06Writer::triaStresses(const Results& r)
{
    auto vonMises2d = [](const MembraneResult& m, const std::array<double, 3>& s)
    {
        const double sz = m.planeStrain ? m.poissonRatio * (s[0] + s[1]) : 0.0;
        return vonMises({s[0], s[1], sz, s[2], 0.0, 0.0});
    };
    // Both fibres' rows of the stress `s`, the first after what `row` holds on entry.
    auto fibreRows =
        [&](std::string& row, const FibreColumns& at, const MembraneResult& m, const std::array<double, 3>& s)
    {
        double angle = 0.0, major = 0.0, minor = 0.0;
        principal2d(s[0], s[1], s[2], angle, major, minor);
        for (int fibre = 0; fibre < 2; ++fibre)
        {
            if (fibre == 1)
                row.clear();
            detail::putReal(row, at.distance, (fibre == 0 ? -0.5 : 0.5) * m.thickness);
            detail::putReal(row, at.normalX, s[0]);
            detail::putReal(row, at.normalY, s[1]);
            detail::putReal(row, at.shear, s[2]);
            detail::putRight(row, at.angleEnd, fixed(angle, 8, 4));
            detail::putReal(row, at.major, major);
            detail::putReal(row, at.minor, minor);
            detail::putReal(row, at.vonMises, vonMises2d(m, s));
            line(row);
        }
    };
    if (!r.trias3.empty())
    {
        startTable({" ", kTria3Title, kTria3Header1, kTria3Header2});
        std::string row;
        char id[32];
        for (const MembraneResult& m : r.trias3)
        {
            std::snprintf(id, sizeof id, "0%8lld", static_cast<long long>(m.id));
            row = id;
            fibreRows(row, kTria3Columns, m, m.stress[0]);
        }
    }
    if (!r.trias6.empty())
    {
        startTable({" ", kTria6Title, " ", kTria6Header1, kTria6Header2});
        std::string row;
        char id[32];
        for (const MembraneResult& m : r.trias6)
        {
            for (int p = 0; p < 4; ++p)
            {
                row.clear();
                if (p == 0)
                {
                    std::snprintf(id, sizeof id, "0%10lld    CEN/6", static_cast<long long>(m.id));
                    row = id;
                }
                else
                {
                    std::snprintf(id, sizeof id, "%lld",
                                  static_cast<long long>(m.corners[static_cast<std::size_t>(p - 1)]));
                    detail::putRight(row, 20, id);
                }
                fibreRows(row, kTria6Columns, m, m.stress[static_cast<std::size_t>(p)]);
                line("");
            }
        }
    }
}

void F06Writer::summaryTable(bool success)
{
    startTable({" "}, false);
    line("0                                   * * * *  A N A L Y S I S  S U M M A R Y  T A B L E  * * * *");
    line("0 SEID  PEID PROJ VERS APRCH      SEMG SEMR SEKR SELG SELR MODES DYNRED SOLLIN PVALID SOLNL LOOPID "
         "DESIGN "
         "CYCLE SENSITIVITY");
    line(" --------------------------------------------------------------------------------------------------"
         "-------"
         "-----------------");
    const char* t = success ? "T" : "F";
    char buf[160];
    std::snprintf(
        buf, sizeof buf,
        "     0     0    1    1 '        '    %s    F    %s    %s    F     F      F      %s      0     F     "
        "-1            0           F",
        t, t, t, t);
    line(buf);
}

void F06Writer::endOfJob()
{
    m_out << "1                                        * * * END OF JOB * * *\n";
}

} // namespace nastran
