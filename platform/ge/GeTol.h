#pragma once

/// Geometric tolerance: equalPoint is a distance, equalVector a length of a vector difference
/// (for unit vectors it is roughly an angle in radians).
class OdGeTol
{
public:
    OdGeTol(double t = 1.e-10) : m_vector(t), m_point(t) {}
    OdGeTol(double tVector, double tPoint) : m_vector(tVector), m_point(tPoint) {}

    double equalPoint() const { return m_point; }
    double equalVector() const { return m_vector; }
    void setEqualPoint(double t) { m_point = t; }
    void setEqualVector(double t) { m_vector = t; }

private:
    double m_vector;
    double m_point;
};
