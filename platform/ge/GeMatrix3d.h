#pragma once

#include "platform/ge/GePoint3d.h"

/// 4x4 affine transform of the SDK, acting on column vectors: p' = M p.
/// entry[row][col]; the translation sits in column 3.
class OdGeMatrix3d
{
public:
    double entry[4][4];

    static const OdGeMatrix3d kIdentity;

    OdGeMatrix3d() { setToIdentity(); }

    double* operator[](int row) { return entry[row]; }
    const double* operator[](int row) const { return entry[row]; }
    double operator()(int row, int col) const { return entry[row][col]; }
    double& operator()(int row, int col) { return entry[row][col]; }

    OdGeMatrix3d& setToIdentity();
    OdGeMatrix3d& setToProduct(const OdGeMatrix3d& a, const OdGeMatrix3d& b);
    OdGeMatrix3d& preMultBy(const OdGeMatrix3d& left);
    OdGeMatrix3d& postMultBy(const OdGeMatrix3d& right);
    OdGeMatrix3d operator*(const OdGeMatrix3d& m) const;
    OdGeMatrix3d& operator*=(const OdGeMatrix3d& m) { return postMultBy(m); }

    OdGeMatrix3d& setToTranslation(const OdGeVector3d& v);
    /// Rotation by angle radians about axis (right-hand rule) through center.
    OdGeMatrix3d& setToRotation(double angle, const OdGeVector3d& axis,
                                const OdGePoint3d& center = OdGePoint3d::kOrigin);
    OdGeMatrix3d& setToScaling(double scale, const OdGePoint3d& center = OdGePoint3d::kOrigin);
    /// Mirror in the plane through point with the given normal.
    OdGeMatrix3d& setToMirroring(const OdGePoint3d& point, const OdGeVector3d& normal);

    static OdGeMatrix3d translation(const OdGeVector3d& v);
    static OdGeMatrix3d rotation(double angle, const OdGeVector3d& axis,
                                 const OdGePoint3d& center = OdGePoint3d::kOrigin);
    static OdGeMatrix3d scaling(double scale, const OdGePoint3d& center = OdGePoint3d::kOrigin);
    static OdGeMatrix3d mirroring(const OdGePoint3d& point, const OdGeVector3d& normal);

    OdGeVector3d translation() const { return OdGeVector3d(entry[0][3], entry[1][3], entry[2][3]); }
    double det() const;
    /// The inverse; raises OdError(eDegenerateGeometry) for a singular matrix.
    OdGeMatrix3d inverse() const;
    bool isEqualTo(const OdGeMatrix3d& m, const OdGeTol& tol = OdGeContext::gTol) const;

    friend OdGePoint3d operator*(const OdGeMatrix3d& m, const OdGePoint3d& p);
    friend OdGeVector3d operator*(const OdGeMatrix3d& m, const OdGeVector3d& v);
};
