#pragma once

#include <algorithm>
#include <cmath>

/// A parameter interval of the SDK: bounded, half-bounded or unbounded. The tolerance
/// widens the ends for contains() and compares lengths for isSingleton().
class OdGeInterval
{
public:
    /// Default end tolerance: far below any curve's parameter spacing, well above rounding
    /// of parameters of order 1e3.
    static constexpr double kDefaultTol = 1.e-12;

    /// An unbounded interval.
    explicit OdGeInterval(double tol = kDefaultTol) : m_tol(tol) {}
    /// The bounded interval [lower, upper]; the bounds are taken in either order.
    OdGeInterval(double lower, double upper, double tol = kDefaultTol) : m_tol(tol) { set(lower, upper); }
    /// Bounded on one side only: below by bound when boundedBelow, otherwise above.
    OdGeInterval(bool boundedBelow, double bound, double tol = kDefaultTol) : m_tol(tol)
    {
        set(boundedBelow, bound);
    }

    double lowerBound() const { return m_lower; }
    double upperBound() const { return m_upper; }
    /// A finite value of the interval: the lower bound when there is one, else the upper, else 0.
    double element() const { return m_boundedBelow ? m_lower : (m_boundedAbove ? m_upper : 0.0); }
    void getBounds(double& lower, double& upper) const
    {
        lower = m_lower;
        upper = m_upper;
    }
    /// upper - lower for a bounded interval, -1 for an unbounded one.
    double length() const { return isBounded() ? m_upper - m_lower : -1.0; }
    double tolerance() const { return m_tol; }

    OdGeInterval& set(double lower, double upper)
    {
        m_lower = std::min(lower, upper);
        m_upper = std::max(lower, upper);
        m_boundedBelow = m_boundedAbove = true;
        return *this;
    }
    OdGeInterval& set(bool boundedBelow, double bound)
    {
        m_boundedBelow = boundedBelow;
        m_boundedAbove = !boundedBelow;
        m_lower = m_upper = bound;
        return *this;
    }
    /// Makes the interval unbounded.
    OdGeInterval& set()
    {
        m_boundedBelow = m_boundedAbove = false;
        m_lower = m_upper = 0.0;
        return *this;
    }
    OdGeInterval& setLower(double lower)
    {
        m_lower = lower;
        m_boundedBelow = true;
        return *this;
    }
    OdGeInterval& setUpper(double upper)
    {
        m_upper = upper;
        m_boundedAbove = true;
        return *this;
    }
    void setTolerance(double tol) { m_tol = tol; }

    bool isBounded() const { return m_boundedBelow && m_boundedAbove; }
    bool isBoundedAbove() const { return m_boundedAbove; }
    bool isBoundedBelow() const { return m_boundedBelow; }
    bool isUnBounded() const { return !m_boundedBelow && !m_boundedAbove; }
    bool isSingleton() const { return isBounded() && m_upper - m_lower <= m_tol; }

    /// True when val lies in the interval, each bound widened by the tolerance.
    bool contains(double val) const
    {
        return (!m_boundedBelow || val >= m_lower - m_tol) && (!m_boundedAbove || val <= m_upper + m_tol);
    }
    bool isEqualAtLower(double val) const { return m_boundedBelow && std::abs(val - m_lower) <= m_tol; }
    bool isEqualAtUpper(double val) const { return m_boundedAbove && std::abs(val - m_upper) <= m_tol; }

private:
    double m_tol;
    double m_lower = 0.0;
    double m_upper = 0.0;
    bool m_boundedBelow = false;
    bool m_boundedAbove = false;
};
