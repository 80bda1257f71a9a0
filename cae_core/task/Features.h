#pragma once

#include "cae_core/core/Units.h"
#include "host/kfx/KfxFeature.h"
#include "platform/ge/GeVector3d.h"

#include <string>

namespace cae_core
{
/// Property keys of the CAE features.
extern const OdString kPropertyDirection;  ///< "Direction": array of 3 doubles
extern const OdString kPropertyMagnitude;  ///< "Magnitude": double
extern const OdString kPropertyUnits;      ///< "Units": long, an EUnits pressure unit
extern const OdString kPropertyComponents; ///< "Components": long, the held translations as digits (13)
extern const OdString kPropertyNormal;     ///< "Normal": array of 3 doubles, the normal of a slide plane
extern const OdString kPropertyForce;      ///< "Force": array of 3 doubles, a total force vector

/// Base of the module's CAE features on solids; run-time class "CaeFeature".
class CaeFeature : public KfxFeature
{
    ODRX_DECLARE_MEMBERS(CaeFeature)
};

/// Supports the faces or edges it names; run-time class "CaeFixFeature". Without further properties
/// it holds all three translations. "Components" holds only some of them; "Normal" makes it a slide on
/// plane faces: the displacement along the normal is held, the faces slide in their plane.
class CaeFixFeature : public CaeFeature
{
    ODRX_DECLARE_MEMBERS(CaeFixFeature)

    OdArray<std::uint32_t> masks() const override;
    /// Names `paths` as one group of single faces or edges and marks the feature valid. The feature
    /// must be open for write.
    void init(const OdDbFullSubentPathArray& paths) override;
    using KfxFeature::init;

    /// The held translations as ascending digits 1 to 3 ("123" when "Components" is absent). Digits
    /// outside 1 to 3 are dropped; a value naming none of them reads as "123".
    std::string components() const;
    /// Stores the translations `components` names (digits 1 to 3, in any order: "31" is stored as the
    /// long 13); a text naming none of them stores 123.
    void setComponents(const std::string& components);
    /// The "Normal" property when it holds exactly 3 values, else the zero vector (no slide).
    OdGeVector3d slideNormal() const;
    void setSlideNormal(const OdGeVector3d& normal);
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

/// A total force spread evenly over the faces it names, in the task's modelling force unit (N or lbf);
/// run-time class "CaeForceFeature".
class CaeForceFeature : public CaeFeature
{
    ODRX_DECLARE_MEMBERS(CaeForceFeature)

    OdArray<std::uint32_t> masks() const override;
    /// As CaeFixFeature::init.
    void init(const OdDbFullSubentPathArray& paths) override;
    using KfxFeature::init;

    /// The "Force" property when it holds exactly 3 values, else the zero vector.
    OdGeVector3d force() const;
    void setForce(const OdGeVector3d& force);
};
} // namespace cae_core
