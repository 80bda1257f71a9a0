#include "cae_core/task/Features.h"

#include "host/ut/Assert.h"
#include "platform/ge/GeContext.h"

namespace cae_core
{
const OdString kPropertyDirection(L"Direction");
const OdString kPropertyMagnitude(L"Magnitude");
const OdString kPropertyUnits(L"Units");

ODRX_CONS_DEFINE_MEMBERS(CaeFeature, KfxFeature, L"CaeFeature")
ODRX_CONS_DEFINE_MEMBERS(CaeFixFeature, CaeFeature, L"CaeFixFeature")
ODRX_CONS_DEFINE_MEMBERS(CaePressureFeature, CaeFeature, L"CaePressureFeature")

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
} // namespace

OdArray<std::uint32_t> CaeFixFeature::masks() const
{
    return KfxFeature::singleEntityMasks();
}

void CaeFixFeature::init(const OdDbFullSubentPathArray& paths)
{
    initFeature(*this, paths);
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
        ut::callAssert("cae_core::EUnits::eEnglish_LbfPerInchSq == u || cae_core::EUnits::eSI_NewtonPerMeterSq == u",
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
    OdDoubleArray values;
    if (!featureData().getReadProperties().getDoubleArray(kPropertyDirection, values) || values.size() != 3)
        return OdGeVector3d();
    return OdGeVector3d(values[0], values[1], values[2]);
}

void CaePressureFeature::setPressureDirection(const OdGeVector3d& d)
{
    featureData().getWriteProperties().setDoubleArray(kPropertyDirection, OdDoubleArray{d.x, d.y, d.z});
}
} // namespace cae_core
