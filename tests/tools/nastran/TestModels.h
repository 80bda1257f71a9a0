#pragma once

// Structured meshes of a box and a rectangle, and the decks written from them, for the solver's tests.

#include "tools/nastran/Model.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace nastran::test
{

struct TetMesh
{
    std::vector<Vec3> nodes;               ///< node id = index + 1
    std::vector<std::vector<Id>> elements; ///< 4 or 10 node ids, positive volume
};

/// The lines of a text, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

inline std::string real(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12E", v); // 19 characters at most: CalculiX reads fields of up to 20
    return buf;
}

/// Box [0, lx] x [0, ly] x [0, lz] cut into nx * ny * nz cells of six tetrahedra each (conforming:
/// every cell is split along its main diagonal). Quadratic elements get mid-side nodes at edge midpoints.
/// A distortion moves every interior corner node by up to that fraction of a cell along each axis
/// (a fixed pattern), leaving the faces of the box plane.
inline TetMesh boxMesh(int nx, int ny, int nz, double lx, double ly, double lz, bool quadratic,
                       double distortion = 0.0)
{
    TetMesh m;
    auto id = [&](int i, int j, int k) { return static_cast<Id>(1 + i + (nx + 1) * (j + (ny + 1) * k)); };
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
            {
                Vec3 x{lx * i / nx, ly * j / ny, lz * k / nz};
                if (i > 0 && i < nx && j > 0 && j < ny && k > 0 && k < nz)
                {
                    const double shift[3] = {std::sin(7.0 * i + 3.0 * j + k), std::cos(5.0 * j + 2.0 * k + i),
                                             std::sin(11.0 * k + i - 2.0 * j)};
                    x[0] += distortion * shift[0] * lx / nx;
                    x[1] += distortion * shift[1] * ly / ny;
                    x[2] += distortion * shift[2] * lz / nz;
                }
                m.nodes.push_back(x);
            }
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    std::map<std::pair<Id, Id>, Id> mids;
    auto at = [&](Id n) { return m.nodes[static_cast<std::size_t>(n - 1)]; };
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                for (const auto& p : perms)
                {
                    int c[3] = {0, 0, 0};
                    std::vector<Id> t{id(i, j, k)};
                    for (int ax : p)
                    {
                        ++c[ax];
                        t.push_back(id(i + c[0], j + c[1], k + c[2]));
                    }
                    const Vec3 a = at(t[0]), b = at(t[1]), cc = at(t[2]), d = at(t[3]);
                    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                    const double v[3] = {cc[0] - a[0], cc[1] - a[1], cc[2] - a[2]};
                    const double w[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
                    const double det = u[0] * (v[1] * w[2] - v[2] * w[1]) -
                                       u[1] * (v[0] * w[2] - v[2] * w[0]) +
                                       u[2] * (v[0] * w[1] - v[1] * w[0]);
                    if (det < 0.0)
                        std::swap(t[1], t[2]);
                    if (quadratic)
                    {
                        const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
                        std::vector<Id> corners = t;
                        for (const auto& e : edges)
                        {
                            const Id p0 = std::min(corners[e[0]], corners[e[1]]);
                            const Id p1 = std::max(corners[e[0]], corners[e[1]]);
                            auto [it, fresh] = mids.emplace(std::make_pair(p0, p1), 0);
                            if (fresh)
                            {
                                const Vec3 x0 = at(p0), x1 = at(p1);
                                m.nodes.push_back(
                                    {(x0[0] + x1[0]) / 2, (x0[1] + x1[1]) / 2, (x0[2] + x1[2]) / 2});
                                it->second = static_cast<Id>(m.nodes.size());
                            }
                            t.push_back(it->second);
                        }
                    }
                    m.elements.push_back(t);
                }
    return m;
}

/// A face of a tetrahedron on a boundary: element index, a corner on it, the corner opposite it.
struct BoundaryFace
{
    std::size_t element;
    int opposite; ///< 0..3
};

/// Faces whose three corners satisfy `on`.
inline std::vector<BoundaryFace> facesWhere(const TetMesh& m, const std::function<bool(const Vec3&)>& on)
{
    std::vector<BoundaryFace> faces;
    for (std::size_t e = 0; e < m.elements.size(); ++e)
    {
        int off = -1, count = 0;
        for (int a = 0; a < 4; ++a)
        {
            if (on(m.nodes[static_cast<std::size_t>(m.elements[e][static_cast<std::size_t>(a)] - 1)]))
                ++count;
            else
                off = a;
        }
        if (count == 3)
            faces.push_back({e, off});
    }
    return faces;
}

inline std::vector<Id> nodesWhere(const TetMesh& m, const std::function<bool(const Vec3&)>& on)
{
    std::vector<Id> ids;
    for (std::size_t n = 0; n < m.nodes.size(); ++n)
        if (on(m.nodes[n]))
            ids.push_back(static_cast<Id>(n + 1));
    return ids;
}

/// Case control of the tests' decks: the module's own lines.
inline std::string deckHeader(const std::string& extraCase = "")
{
    return "$ VANTORIX RUN\nSOL 101\nCEND\nDISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=TEST\nSUBTITLE=VANTORIX "
           "TASK\n"
           "LABEL=SUMMARY\nSPC=100\nMPC=100\nECHO=PUNCH\nLOAD=10\n" +
           extraCase + "$\nBEGIN BULK\n";
}

/// GRID, CTETRA, PSOLID and MAT1 cards of a mesh.
inline std::string solidBulk(const TetMesh& m, double e, double nu)
{
    std::string s;
    for (std::size_t n = 0; n < m.nodes.size(); ++n)
        s += "GRID," + std::to_string(n + 1) + ",," + real(m.nodes[n][0]) + "," + real(m.nodes[n][1]) + "," +
             real(m.nodes[n][2]) + "\n";
    for (std::size_t e2 = 0; e2 < m.elements.size(); ++e2)
    {
        s += "CTETRA," + std::to_string(e2 + 1) + ",1";
        for (std::size_t a = 0; a < m.elements[e2].size(); ++a)
            s += (a == 6 ? "\n+," : ",") + std::to_string(m.elements[e2][a]);
        s += "\n";
    }
    s += "PSOLID,1,105,0\nMAT1,105," + real(e) + ",," + real(nu) + "\n";
    s += "SPC1,100,456,1,THRU," + std::to_string(m.nodes.size()) + "\n";
    return s;
}

/// PLOAD4 cards of pressure p on the faces: normal to them, or along `direction` given as "N1,N2,N3".
inline std::string pressureCards(const TetMesh& m, const std::vector<BoundaryFace>& faces, Id set, double p,
                                 const std::string& direction = ",,")
{
    std::string s;
    for (const auto& f : faces)
    {
        const auto& t = m.elements[f.element];
        const Id onFace = t[f.opposite == 0 ? 1 : 0];
        s += "PLOAD4," + std::to_string(set) + "," + std::to_string(f.element + 1) + "," + real(p) + ",,,," +
             std::to_string(onFace) + "," + std::to_string(t[static_cast<std::size_t>(f.opposite)]) + ",," +
             direction + "\n";
    }
    return s;
}

/// A free-field card of whole-number fields.
inline std::string card(const std::string& name, std::initializer_list<Id> fields)
{
    std::string s = name;
    for (const Id f : fields)
        s += "," + std::to_string(f);
    return s + "\n";
}

inline std::string spc1(const std::string& components, const std::vector<Id>& ids)
{
    std::string s;
    for (std::size_t k = 0; k < ids.size(); ++k)
        s += (k % 10 == 0 ? std::string(k ? "\n" : "") + "SPC1,100," + components : std::string()) + "," +
             std::to_string(ids[k]);
    return s + "\n";
}

} // namespace nastran::test
