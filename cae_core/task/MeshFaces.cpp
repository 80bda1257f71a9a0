#include "cae_core/task/MeshFaces.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cae_core
{
FaceOwners::FaceOwners(const Mesh& mesh, std::vector<Key> wanted) : m_mesh(mesh)
{
    for (Key& key : wanted)
        std::sort(key.begin(), key.end());
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    // Most tetrahedra touch no loaded face: a face is looked up only when all its vertices are on one.
    // A vertex index past the mesh's is on no tetrahedron, and is not marked.
    std::vector<bool> onLoadedFace(static_cast<std::size_t>(mesh.nbVertices()), false);
    for (const Key& key : wanted)
        for (const std::uint64_t v : key)
            if (v < onLoadedFace.size())
                onLoadedFace[static_cast<std::size_t>(v)] = true;
    const auto loaded = [&](std::uint64_t v)
    { return v < onLoadedFace.size() && onLoadedFace[static_cast<std::size_t>(v)]; };
    for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
    {
        const MeshTetra* tetra = mesh.tetra(t).get();
        if (!tetra)
            continue;
        const auto& v = tetra->vertices;
        for (std::size_t off = 0; off < 4; ++off)
        {
            Key key{};
            std::size_t k = 0;
            for (std::size_t j = 0; j < 4; ++j)
            {
                if (j != off)
                    key[k++] = v[j];
            }
            if (!loaded(key[0]) || !loaded(key[1]) || !loaded(key[2]))
                continue;
            std::sort(key.begin(), key.end());
            if (key[0] != key[1] && key[1] != key[2] && v[off] != key[0] && v[off] != key[1] &&
                v[off] != key[2] && std::binary_search(wanted.begin(), wanted.end(), key))
                m_faces.push_back({key, {t, v[off]}});
        }
    }
    std::sort(m_faces.begin(), m_faces.end(),
              [](const Entry& a, const Entry& b)
              { return a.key != b.key ? a.key < b.key : a.owner.tetra < b.owner.tetra; });
}

std::vector<FaceOwners::Key> FaceOwners::cornersOf(const OdArray<OdArray<std::uint64_t>>& faces)
{
    std::vector<Key> keys;
    for (const OdArray<std::uint64_t>& face : faces)
        if (face.size() == 3 || face.size() == 6)
            keys.push_back({face[0], face[1], face[2]});
    return keys;
}

OdArray<Mesh::FindResult> FaceOwners::find(const OdArray<std::uint64_t>& face) const
{
    if (face.size() != 3 && face.size() != 6)
        return m_mesh.findTetras(face);
    Key key{face[0], face[1], face[2]};
    std::sort(key.begin(), key.end());
    // Repeated vertices, or tetrahedra with repeated vertices, are left to the mesh's own search.
    if (key[0] == key[1] || key[1] == key[2])
    {
        OdArray<std::uint64_t> corners;
        for (const std::uint64_t v : key)
            corners.append(v);
        return m_mesh.findTetras(corners);
    }
    OdArray<Mesh::FindResult> found;
    auto it = std::lower_bound(m_faces.begin(), m_faces.end(), key,
                               [](const Entry& e, const Key& k) { return e.key < k; });
    for (; it != m_faces.end() && it->key == key; ++it)
        found.append(it->owner);
    return found;
}

namespace
{
constexpr int kGaussPoints = 8;

/// Gauss-Legendre points and weights on [0, 1].
struct GaussRule
{
    std::array<double, kGaussPoints> x{};
    std::array<double, kGaussPoints> w{};

    GaussRule()
    {
        for (int i = 0; i < kGaussPoints; ++i)
        {
            // Newton's iteration on the Legendre polynomial from the usual first guess.
            double t = std::cos(std::numbers::pi * (i + 0.75) / (kGaussPoints + 0.5));
            double derivative = 1.0;
            for (int iteration = 0; iteration < 100; ++iteration)
            {
                double p0 = 1.0, p1 = t;
                for (int n = 2; n <= kGaussPoints; ++n)
                {
                    const double p2 = ((2.0 * n - 1.0) * t * p1 - (n - 1.0) * p0) / n;
                    p0 = p1;
                    p1 = p2;
                }
                derivative = kGaussPoints * (t * p1 - p0) / (t * t - 1.0);
                const double step = p1 / derivative;
                t -= step;
                if (std::abs(step) < 1e-16)
                    break;
            }
            x[static_cast<std::size_t>(i)] = 0.5 * (1.0 - t);
            w[static_cast<std::size_t>(i)] = 1.0 / ((1.0 - t * t) * derivative * derivative);
        }
    }
};
} // namespace

FaceIntegral integrateFace(const OdGePoint3d* p, std::size_t count)
{
    FaceIntegral result;
    if (count == 3)
    {
        const OdGeVector3d n = (p[1] - p[0]).crossProduct(p[2] - p[0]) / 2.0;
        result.area = n.length();
        result.normal = n;
        return result;
    }
    if (count != 6)
        return result;
    static const GaussRule rule;
    // The triangle (s, t) as the square (a, b) collapsed onto it: s = a, t = b (1 - a).
    for (int i = 0; i < kGaussPoints; ++i)
    {
        for (int j = 0; j < kGaussPoints; ++j)
        {
            const double a = rule.x[static_cast<std::size_t>(i)], b = rule.x[static_cast<std::size_t>(j)];
            const double s = a, t = b * (1.0 - a);
            const double weight =
                rule.w[static_cast<std::size_t>(i)] * rule.w[static_cast<std::size_t>(j)] * (1.0 - a);
            const double l[3] = {1.0 - s - t, s, t};
            const double dl[3][2] = {{-1.0, -1.0}, {1.0, 0.0}, {0.0, 1.0}};
            OdGeVector3d ds, dt;
            for (int k = 0; k < 3; ++k)
            {
                const OdGeVector3d corner = p[k].asVector();
                ds += corner * ((4.0 * l[k] - 1.0) * dl[k][0]);
                dt += corner * ((4.0 * l[k] - 1.0) * dl[k][1]);
                const int m = k, n = (k + 1) % 3; // mid k sits on the edge (k, k + 1)
                const OdGeVector3d mid = p[3 + k].asVector();
                ds += mid * (4.0 * (l[m] * dl[n][0] + l[n] * dl[m][0]));
                dt += mid * (4.0 * (l[m] * dl[n][1] + l[n] * dl[m][1]));
            }
            const OdGeVector3d n = ds.crossProduct(dt);
            result.area += weight * n.length();
            result.normal += n * weight;
        }
    }
    return result;
}
} // namespace cae_core
