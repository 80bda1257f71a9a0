#pragma once

#include "platform/base/OdString.h"
#include "platform/db/Db3dSolid.h"
#include "platform/db/DbUnits.h"
#include "platform/ge/GeVector3d.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace solid
{
/// A solid body made by Gmsh's OpenCASCADE kernel. Each body has a Gmsh model of its own, built
/// once from the body's construction (primitives, boolean operations, STEP files), so its faces
/// (type 1), edges (type 2) and vertices (type 3) keep their indices, which are Gmsh's entity tags.
/// Lengths are drawing units.
class GmshBody : public OdDb3dSolidBody
{
public:
    ~GmshBody() override;
    GmshBody(const GmshBody&) = delete;
    GmshBody& operator=(const GmshBody&) = delete;

    /// Each factory gives a null body and, when `error` is given, Gmsh's message when the kernel
    /// refuses the input (a zero-size box, an empty intersection, an unreadable file).
    static std::shared_ptr<GmshBody> box(const OdGePoint3d& corner, const OdGeVector3d& size,
                                         std::string* error = nullptr);
    static std::shared_ptr<GmshBody> cylinder(const OdGePoint3d& baseCentre, const OdGeVector3d& axis,
                                              double radius, std::string* error = nullptr);
    static std::shared_ptr<GmshBody> sphere(const OdGePoint3d& centre, double radius,
                                            std::string* error = nullptr);
    /// The boolean operations of `combine`.
    enum EBoolean
    {
        eUnite,    ///< everything inside any operand
        eSubtract, ///< the first operand without all the others
        eIntersect ///< what lies inside every operand
    };
    /// One body from all `operands` (none null) in one construction, whose cost grows with the
    /// number of operands, not with its square as a chain of two-operand calls does.
    static std::shared_ptr<GmshBody> combine(EBoolean operation, const std::vector<const GmshBody*>& operands,
                                             std::string* error = nullptr);
    static std::shared_ptr<GmshBody> unite(const GmshBody& a, const GmshBody& b,
                                           std::string* error = nullptr);
    static std::shared_ptr<GmshBody> subtract(const GmshBody& a, const GmshBody& b,
                                              std::string* error = nullptr);
    static std::shared_ptr<GmshBody> intersect(const GmshBody& a, const GmshBody& b,
                                               std::string* error = nullptr);
    /// Reads the solids of a STEP file, its lengths converted from the file's own unit into the
    /// drawing's `units`. A file that crashes the kernel's reader ends with an error, not the process.
    static std::shared_ptr<GmshBody> importStep(const OdString& path, OdDb::UnitsValue units,
                                                std::string* error = nullptr);

    OdGeExtents3d extents() const override;
    OdArray<OdGsMarker> subentIndices(OdDb::SubentType type) const override;
    /// Bounds of one face, edge or vertex; invalid extents when there is no such sub-entity.
    OdGeExtents3d subentExtents(OdDb::SubentType type, OdGsMarker index) const;
    /// The faces whose bounds lie within `tolerance` of the plane through `point` with `normal`.
    OdArray<OdGsMarker> facesOnPlane(const OdGePoint3d& point, const OdGeVector3d& normal,
                                     double tolerance) const;
    /// The unit normal of a planar face (its sign as the kernel's surface has it); empty for a curved
    /// face or an index that is no face.
    std::optional<OdGeVector3d> planeNormal(OdGsMarker face) const;

    /// The faces (type kFaceSubentType) or edges (kEdgeSubentType) that pass within `tolerance` of
    /// `point`: its projection onto their curve or surface is that close and falls inside the face's
    /// boundary or the edge's ends. In index order; empty for another type.
    OdArray<OdGsMarker> subentsAt(OdDb::SubentType type, const OdGePoint3d& point, double tolerance) const;
    /// Writes the body as a STEP file; false, with Gmsh's message in `error` when given, on failure.
    bool writeStep(const OdString& path, std::string* error = nullptr) const;

    /// The name of the body's Gmsh model (for the host's mesher).
    const std::string& modelName() const { return m_model; }

    /// How the body is made, replayed into its model. Public for the factories' helpers only.
    struct Recipe;

private:
    GmshBody(std::string model, std::shared_ptr<const Recipe> recipe);
    static std::shared_ptr<GmshBody> build(std::shared_ptr<const Recipe> recipe, std::string* error);

    std::string m_model;
    std::shared_ptr<const Recipe> m_recipe;
};

/// The Gmsh dimension of a sub-entity type (face 2, edge 1, vertex 0); -1 for other types.
int gmshDimension(OdDb::SubentType type);
} // namespace solid
