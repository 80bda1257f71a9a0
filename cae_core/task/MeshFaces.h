#pragma once

#include "cae_core/task/Mesh.h"

#include <array>
#include <vector>

namespace cae_core
{
/// The tetrahedra owning each of a set of faces, with the vertex off the face: the answer of
/// Mesh::findTetras for a face of three distinct corners, from an index of the wanted faces built in
/// one pass over the tetrahedra. Searching every tetrahedron for every loaded face would make a large
/// deck quadratic in the mesh size, and indexing every face of the mesh costs more than the rest of it.
class FaceOwners
{
public:
    using Key = std::array<std::uint64_t, 3>;

    /// `wanted`: the corners of the faces that will be asked for.
    FaceOwners(const Mesh& mesh, std::vector<Key> wanted);
    /// The faces of `load` (its corners, the first three entries of each face).
    static std::vector<Key> cornersOf(const OdArray<OdArray<std::uint64_t>>& faces);

    /// The owners of a face given by its corners, optionally followed by its mid vertices (6 entries).
    /// Other faces are left to the mesh's own search.
    OdArray<Mesh::FindResult> find(const OdArray<std::uint64_t>& face) const;

private:
    struct Entry
    {
        Key key;
        Mesh::FindResult owner;
    };

    const Mesh& m_mesh;
    std::vector<Entry> m_faces;
};

/// The area of a mesh face and the integral of its normal (dA along the right-hand normal of its
/// corner order): flat for 3 points, the curved quadratic triangle for 6 (corners, then the mids of
/// (0,1), (1,2), (2,0)). The normal's integral is exact; the area of a curved face, whose integrand is
/// not a polynomial, comes from a rule of degree 15, exact to rounding for the gently curved faces of a
/// mesh.
struct FaceIntegral
{
    double area = 0.0;
    OdGeVector3d normal;
};
FaceIntegral integrateFace(const OdGePoint3d* points, std::size_t count);
} // namespace cae_core
