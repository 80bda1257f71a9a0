#include "cae_core/task/Features.h"

#include "host/ut/Assert.h"
#include "platform/ge/GeContext.h"

namespace cae_core
{
const OdString kPropertyDirection(L"Direction");
const OdString kPropertyMagnitude(L"Magnitude");
const OdString kPropertyUnits(L"Units");
const OdString kPropertyComponents(L"Components");
const OdString kPropertyNormal(L"Normal");
const OdString kPropertyForce(L"Force");

ODRX_CONS_DEFINE_MEMBERS(CaeFeature, KfxFeature, L"CaeFeature")
ODRX_CONS_DEFINE_MEMBERS(CaeFixFeature, CaeFeature, L"CaeFixFeature")
ODRX_CONS_DEFINE_MEMBERS(CaePressureFeature, CaeFeature, L"CaePressureFeature")
ODRX_CONS_DEFINE_MEMBERS(CaeForceFeature, CaeFeature, L"CaeForceFeature")

namespace
{
void initFeature(KfxFeature& feature, const OdDbFullSubentPathArray& paths)
{
    feature.assertWriteEnabled();
    KfxFeatureGroupFaces group;
    group.mask = feature.masks().first();
    group.paths = paths;
    group.index = -1;
    feature.KfxFeature::init(OdArray<KfxFeatureGroupFaces>{group});
    feature.setStatus(1);
}

/// A property of exactly three doubles, else the zero vector.
OdGeVector3d readVector(const KfxFeature& feature, const OdString& key)
{
    OdDoubleArray values;
    if (!feature.featureData().getReadProperties().getDoubleArray(key, values) || values.size() != 3)
        return OdGeVector3d();
    return OdGeVector3d(values[0], values[1], values[2]);
}

void writeVector(KfxFeature& feature, const OdString& key, const OdGeVector3d& v)
{
    feature.featureData().getWriteProperties().setDoubleArray(key, OdDoubleArray{v.x, v.y, v.z});
}
} // namespace

OdArray<std::uint32_t> CaeFixFeature::masks() const
{
    return KfxFeature::singleEntityMasks();
}

void CaeFixFeature::init(const OdDbFullSubentPathArray& paths)
{
    initFeature(*this, paths);
}

std::string CaeFixFeature::components() const
{
    long value = 123;
    featureData().getReadProperties().getLong(kPropertyComponents, value);
    // The digits as a set: "31" and "13" hold the same translations.
    bool held[3] = {false, false, false};
    for (long rest = value < 0 ? -value : value; rest > 0; rest /= 10)
    {
        const long digit = rest % 10;
        if (digit >= 1 && digit <= 3)
            held[digit - 1] = true;
    }
    std::string text;
    for (int i = 0; i < 3; ++i)
        if (held[i])
            text += static_cast<char>('1' + i);
    return text.empty() ? std::string("123") : text;
}

void CaeFixFeature::setComponents(const std::string& components)
{
    bool held[3] = {false, false, false};
    for (const char c : components)
        if (c >= '1' && c <= '3')
            held[c - '1'] = true;
    long value = 0;
    for (int i = 0; i < 3; ++i)
        if (held[i])
            value = value * 10 + i + 1;
    featureData().getWriteProperties().setLong(kPropertyComponents, value == 0 ? 123 : value);
}

OdGeVector3d CaeFixFeature::slideNormal() const
{
    return readVector(*this, kPropertyNormal);
}

void CaeFixFeature::setSlideNormal(const OdGeVector3d& normal)
{
    writeVector(*this, kPropertyNormal, normal);
}

OdArray<std::uint32_t> CaePressureFeature::masks() const
{
    return KfxFeature::singleEntityMasks();
}

void CaePressureFeature::init(const OdDbFullSubentPathArray& paths)
{
    initFeature(*this, paths);
}

CaePressureFeature::EType CaePressureFeature::type() const
{
    return pressureDirection().isZeroLength(OdGeContext::gTol) ? eNormal : eDirectional;
}

EUnits CaePressureFeature::units() const
{
    long value = eSI_NewtonPerMeterSq;
    featureData().getReadProperties().getLong(kPropertyUnits, value);
    return static_cast<EUnits>(value);
}

void CaePressureFeature::setUnits(EUnits u)
{
    if (!(eEnglish_LbfPerInchSq == u || eSI_NewtonPerMeterSq == u))
        ut::callAssert(
            "cae_core::EUnits::eEnglish_LbfPerInchSq == u || cae_core::EUnits::eSI_NewtonPerMeterSq == u",
            nullptr, "cae_core/cae_api_pressure_feature", 51);
    featureData().getWriteProperties().setLong(kPropertyUnits, u);
}

double CaePressureFeature::pressureMagnitude() const
{
    double value = 0.0;
    featureData().getReadProperties().getDouble(kPropertyMagnitude, value);
    return value;
}

void CaePressureFeature::setPressureMagnitude(double magnitude)
{
    featureData().getWriteProperties().setDouble(kPropertyMagnitude, magnitude);
}

OdGeVector3d CaePressureFeature::pressureDirection() const
{
    return readVector(*this, kPropertyDirection);
}

void CaePressureFeature::setPressureDirection(const OdGeVector3d& d)
{
    writeVector(*this, kPropertyDirection, d);
}

OdArray<std::uint32_t> CaeForceFeature::masks() const
{
    return KfxFeature::singleEntityMasks();
}

void CaeForceFeature::init(const OdDbFullSubentPathArray& paths)
{
    initFeature(*this, paths);
}

OdGeVector3d CaeForceFeature::force() const
{
    return readVector(*this, kPropertyForce);
}

void CaeForceFeature::setForce(const OdGeVector3d& force)
{
    writeVector(*this, kPropertyForce, force);
}
} // namespace cae_core
