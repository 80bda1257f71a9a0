#pragma once

#include "platform/ge/GeDoubleArray.h"

/// Non-decreasing knot sequence of a spline.
class OdGeKnotVector
{
public:
    /// Knots closer than this count as one (multiplicity); scale: parameters of order 1..1e4.
    static constexpr double kKnotTol = 1.e-9;

    OdGeKnotVector() = default;
    explicit OdGeKnotVector(const OdGeDoubleArray& knots) : m_knots(knots) {}
    OdGeKnotVector(int size, const double* knots);

    int length() const { return static_cast<int>(m_knots.size()); }
    double operator[](int i) const { return m_knots[static_cast<unsigned>(i)]; }
    double startParam() const { return m_knots.first(); }
    double endParam() const { return m_knots.last(); }
    const OdGeDoubleArray& getArray() const { return m_knots; }
    const double* asArrayPtr() const { return m_knots.getPtr(); }
    /// Number of knots equal (within kKnotTol) to param.
    int multiplicityAt(double param) const;
    /// True when no knot is smaller than its predecessor.
    bool isNonDecreasing() const;
    OdGeKnotVector& set(const OdGeDoubleArray& knots);
    OdGeKnotVector& append(double knot);

private:
    OdGeDoubleArray m_knots;
};
