#include "platform/ge/GeKnotVector.h"

#include <cmath>

OdGeKnotVector::OdGeKnotVector(int size, const double* knots)
{
    for (int i = 0; i < size; ++i)
        m_knots.append(knots[i]);
}

int OdGeKnotVector::multiplicityAt(double param) const
{
    int n = 0;
    for (double k : m_knots)
        if (std::abs(k - param) <= kKnotTol)
            ++n;
    return n;
}

bool OdGeKnotVector::isNonDecreasing() const
{
    for (unsigned i = 1; i < m_knots.size(); ++i)
        if (m_knots[i] < m_knots[i - 1])
            return false;
    return true;
}

OdGeKnotVector& OdGeKnotVector::set(const OdGeDoubleArray& knots)
{
    m_knots = knots;
    return *this;
}

OdGeKnotVector& OdGeKnotVector::append(double knot)
{
    m_knots.append(knot);
    return *this;
}
