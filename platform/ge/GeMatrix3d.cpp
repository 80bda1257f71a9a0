#include "platform/ge/GeMatrix3d.h"

#include "platform/base/OdError.h"

#include <cmath>
#include <utility>

const OdGeMatrix3d OdGeMatrix3d::kIdentity;

OdGeMatrix3d& OdGeMatrix3d::setToIdentity()
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            entry[i][j] = i == j ? 1.0 : 0.0;
    return *this;
}

OdGeMatrix3d& OdGeMatrix3d::setToProduct(const OdGeMatrix3d& a, const OdGeMatrix3d& b)
{
    OdGeMatrix3d r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += a.entry[i][k] * b.entry[k][j];
            r.entry[i][j] = s;
        }
    return *this = r;
}

OdGeMatrix3d& OdGeMatrix3d::preMultBy(const OdGeMatrix3d& left)
{
    return setToProduct(left, *this);
}

OdGeMatrix3d& OdGeMatrix3d::postMultBy(const OdGeMatrix3d& right)
{
    return setToProduct(*this, right);
}

OdGeMatrix3d OdGeMatrix3d::operator*(const OdGeMatrix3d& m) const
{
    OdGeMatrix3d r;
    return r.setToProduct(*this, m);
}

OdGeMatrix3d& OdGeMatrix3d::setToTranslation(const OdGeVector3d& v)
{
    setToIdentity();
    entry[0][3] = v.x;
    entry[1][3] = v.y;
    entry[2][3] = v.z;
    return *this;
}

OdGeMatrix3d& OdGeMatrix3d::setToRotation(double angle, const OdGeVector3d& axis, const OdGePoint3d& center)
{
    const OdGeVector3d u = axis.normal();
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    setToIdentity();
    // Rodrigues' rotation formula.
    entry[0][0] = t * u.x * u.x + c;
    entry[0][1] = t * u.x * u.y - s * u.z;
    entry[0][2] = t * u.x * u.z + s * u.y;
    entry[1][0] = t * u.x * u.y + s * u.z;
    entry[1][1] = t * u.y * u.y + c;
    entry[1][2] = t * u.y * u.z - s * u.x;
    entry[2][0] = t * u.x * u.z - s * u.y;
    entry[2][1] = t * u.y * u.z + s * u.x;
    entry[2][2] = t * u.z * u.z + c;
    // p' = R (p - c) + c
    const double cx[3] = {center.x, center.y, center.z};
    for (int i = 0; i < 3; ++i)
    {
        double rc = 0.0;
        for (int k = 0; k < 3; ++k)
            rc += entry[i][k] * cx[k];
        entry[i][3] = cx[i] - rc;
    }
    return *this;
}

OdGeMatrix3d& OdGeMatrix3d::setToScaling(double scale, const OdGePoint3d& center)
{
    setToIdentity();
    const double cx[3] = {center.x, center.y, center.z};
    for (int i = 0; i < 3; ++i)
    {
        entry[i][i] = scale;
        entry[i][3] = cx[i] * (1.0 - scale);
    }
    return *this;
}

OdGeMatrix3d& OdGeMatrix3d::setToMirroring(const OdGePoint3d& point, const OdGeVector3d& normal)
{
    const OdGeVector3d n = normal.normal();
    const double nn[3] = {n.x, n.y, n.z};
    const double d = n.dotProduct(point.asVector());
    setToIdentity();
    // p' = p - 2 (n.p - d) n
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
            entry[i][j] -= 2.0 * nn[i] * nn[j];
        entry[i][3] = 2.0 * d * nn[i];
    }
    return *this;
}

OdGeMatrix3d OdGeMatrix3d::translation(const OdGeVector3d& v)
{
    OdGeMatrix3d m;
    return m.setToTranslation(v);
}

OdGeMatrix3d OdGeMatrix3d::rotation(double angle, const OdGeVector3d& axis, const OdGePoint3d& center)
{
    OdGeMatrix3d m;
    return m.setToRotation(angle, axis, center);
}

OdGeMatrix3d OdGeMatrix3d::scaling(double scale, const OdGePoint3d& center)
{
    OdGeMatrix3d m;
    return m.setToScaling(scale, center);
}

OdGeMatrix3d OdGeMatrix3d::mirroring(const OdGePoint3d& point, const OdGeVector3d& normal)
{
    OdGeMatrix3d m;
    return m.setToMirroring(point, normal);
}

double OdGeMatrix3d::det() const
{
    // Laplace expansion along the first row on 3x3 minors.
    auto minor3 = [this](int skipCol)
    {
        int cols[3], k = 0;
        for (int j = 0; j < 4; ++j)
            if (j != skipCol)
                cols[k++] = j;
        const auto& e = entry;
        return e[1][cols[0]] * (e[2][cols[1]] * e[3][cols[2]] - e[2][cols[2]] * e[3][cols[1]]) -
               e[1][cols[1]] * (e[2][cols[0]] * e[3][cols[2]] - e[2][cols[2]] * e[3][cols[0]]) +
               e[1][cols[2]] * (e[2][cols[0]] * e[3][cols[1]] - e[2][cols[1]] * e[3][cols[0]]);
    };
    double d = 0.0;
    for (int j = 0; j < 4; ++j)
        d += (j % 2 == 0 ? 1.0 : -1.0) * entry[0][j] * minor3(j);
    return d;
}

OdGeMatrix3d OdGeMatrix3d::inverse() const
{
    // Gauss-Jordan elimination with partial pivoting on [M | I].
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            a[i][j] = entry[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col)
    {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::abs(a[r][col]) > std::abs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0.0)
            throw OdError(eDegenerateGeometry);
        if (pivot != col)
            for (int j = 0; j < 8; ++j)
                std::swap(a[pivot][j], a[col][j]);
        const double p = a[col][col];
        for (int j = 0; j < 8; ++j)
            a[col][j] /= p;
        for (int r = 0; r < 4; ++r)
            if (r != col && a[r][col] != 0.0)
            {
                const double f = a[r][col];
                for (int j = 0; j < 8; ++j)
                    a[r][j] -= f * a[col][j];
            }
    }
    OdGeMatrix3d inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            inv.entry[i][j] = a[i][j + 4];
    return inv;
}

bool OdGeMatrix3d::isEqualTo(const OdGeMatrix3d& m, const OdGeTol& tol) const
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (std::abs(entry[i][j] - m.entry[i][j]) > tol.equalVector())
                return false;
    return true;
}

OdGePoint3d operator*(const OdGeMatrix3d& m, const OdGePoint3d& p)
{
    const auto& e = m.entry;
    return OdGePoint3d(e[0][0] * p.x + e[0][1] * p.y + e[0][2] * p.z + e[0][3],
                       e[1][0] * p.x + e[1][1] * p.y + e[1][2] * p.z + e[1][3],
                       e[2][0] * p.x + e[2][1] * p.y + e[2][2] * p.z + e[2][3]);
}

OdGeVector3d operator*(const OdGeMatrix3d& m, const OdGeVector3d& v)
{
    const auto& e = m.entry;
    return OdGeVector3d(e[0][0] * v.x + e[0][1] * v.y + e[0][2] * v.z,
                        e[1][0] * v.x + e[1][1] * v.y + e[1][2] * v.z,
                        e[2][0] * v.x + e[2][1] * v.y + e[2][2] * v.z);
}

OdGePoint3d& OdGePoint3d::transformBy(const OdGeMatrix3d& m)
{
    return *this = m * *this;
}

OdGeVector3d& OdGeVector3d::transformBy(const OdGeMatrix3d& m)
{
    return *this = m * *this;
}
