#pragma once

#include "cae_core/core/Units.h"
#include "host/kfx/KfxFeature.h"
#include "platform/ge/GeVector3d.h"

namespace cae_core
{
/// Property keys of the CAE features.
extern const OdString kPropertyDirection; ///< "Direction": array of 3 doubles
extern const OdString kPropertyMagnitude; ///< "Magnitude": double
extern const OdString kPropertyUnits;     ///< "Units": long, an EUnits pressure unit

/// Base of the module's CAE features on solids; run-time class "CaeFeature".
class CaeFeature : public KfxFeature
{
    ODRX_DECLARE_MEMBERS(CaeFeature)
};

/// Fixes the faces or edges it names; run-time class "CaeFixFeature".
class CaeFixFeature : public CaeFeature
{
    ODRX_DECLARE_MEMBERS(CaeFixFeature)

    OdArray<std::uint32_t> masks() const override;
    /// Names `paths` as one group of single faces or edges and marks the feature valid. The feature
    /// must be open for write.
    void init(const OdDbFullSubentPathArray& paths) override;
    using KfxFeature::init;
};

/// A pressure on the faces it names: magnitude, unit and an optional direction, kept as properties;
/// run-time class "CaePressureFeature".
class CaePressureFeature : public CaeFeature
{
    ODRX_DECLARE_MEMBERS(CaePressureFeature)

    /// 0: normal to the loaded face; 1: along pressureDirection().
    enum EType : std::int32_t
    {
        eNormal = 0,
        eDirectional = 1
    };

    OdArray<std::uint32_t> masks() const override;
    /// As CaeFixFeature::init.
    void init(const OdDbFullSubentPathArray& paths) override;
    using KfxFeature::init;

    /// eDirectional when the direction is not of zero length.
    EType type() const;
    /// The "Units" property, eSI_NewtonPerMeterSq when absent.
    EUnits units() const;
    /// Stores a pressure unit; any other value asserts and is stored all the same.
    void setUnits(EUnits u);
    /// The "Magnitude" property, 0 when absent.
    double pressureMagnitude() const;
    void setPressureMagnitude(double magnitude);
    /// The "Direction" property when it holds exactly 3 values, else the zero vector.
    OdGeVector3d pressureDirection() const;
    /// Storing the zero vector makes the pressure normal.
    void setPressureDirection(const OdGeVector3d& direction);
};
} // namespace cae_core
