#pragma once

#include <array>

namespace cae_core
{
/// The symmetric stress tensor at a point of a solid, in the basic coordinate system and the task's
/// modelling pressure unit: the normal stresses x, y, z and the shear stresses xy, yz, zx, as the solver
/// prints them for a tetrahedron point.
struct SolidStress
{
    double xx = 0.0;
    double yy = 0.0;
    double zz = 0.0;
    double xy = 0.0;
    double yz = 0.0;
    double zx = 0.0;

    SolidStress& operator+=(const SolidStress& s)
    {
        xx += s.xx, yy += s.yy, zz += s.zz, xy += s.xy, yz += s.yz, zx += s.zx;
        return *this;
    }
    friend SolidStress operator*(double f, const SolidStress& s)
    {
        return {f * s.xx, f * s.yy, f * s.zz, f * s.xy, f * s.yz, f * s.zx};
    }
    friend bool operator==(const SolidStress&, const SolidStress&) = default;

    /// The principal stresses s1 >= s2 >= s3.
    std::array<double, 3> principal() const;
    /// The von Mises equivalent stress of the tensor.
    double vonMises() const;
};
} // namespace cae_core
