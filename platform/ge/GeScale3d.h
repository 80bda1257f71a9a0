#pragma once

/// Scale factors along x, y and z.
class OdGeScale3d
{
public:
    constexpr OdGeScale3d() = default;
    constexpr explicit OdGeScale3d(double factor) : sx(factor), sy(factor), sz(factor) {}
    constexpr OdGeScale3d(double x, double y, double z) : sx(x), sy(y), sz(z) {}

    double sx = 1.0;
    double sy = 1.0;
    double sz = 1.0;
};
