#pragma once

#include <functional>

/// Numerical integration shared by the curve classes and the region (not an SDK interface).
namespace OdGeQuadrature
{
/// Integral of f over [a, b] (a > b gives the negated integral) by adaptive Gauss-Legendre
/// quadrature: a panel is accepted when its 10-point value and the sum over its two halves
/// agree within its share of the tolerance (proportional to its width). The tolerance is absTol,
/// but never finer than 1e-12 of the integral's magnitude, and the work is bounded by a fixed
/// number of panels. f should be smooth on [a, b]; split integrals at kinks (a spline's knots)
/// before calling.
double integrate(const std::function<double(double)>& f, double a, double b, double absTol);
} // namespace OdGeQuadrature
