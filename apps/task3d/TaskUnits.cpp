#include "apps/task3d/TaskUnits.h"

#include <array>
#include <utility>

namespace cae_app
{
std::string lengthSymbol(OdDb::UnitsValue units)
{
    // ASCII only: the symbols go into JSON, XML and terminals alike.
    static const std::array<std::pair<OdDb::UnitsValue, const char*>, 24> s_symbols{{
        {OdDb::kUnitsInches, "in"},          {OdDb::kUnitsFeet, "ft"},
        {OdDb::kUnitsMiles, "mi"},           {OdDb::kUnitsMillimeters, "mm"},
        {OdDb::kUnitsCentimeters, "cm"},     {OdDb::kUnitsMeters, "m"},
        {OdDb::kUnitsKilometers, "km"},      {OdDb::kUnitsMicroinches, "uin"},
        {OdDb::kUnitsMils, "mil"},           {OdDb::kUnitsYards, "yd"},
        {OdDb::kUnitsAngstroms, "Angstrom"}, {OdDb::kUnitsNanometers, "nm"},
        {OdDb::kUnitsMicrons, "um"},         {OdDb::kUnitsDecimeters, "dm"},
        {OdDb::kUnitsDekameters, "dam"},     {OdDb::kUnitsHectometers, "hm"},
        {OdDb::kUnitsGigameters, "Gm"},      {OdDb::kUnitsAstronomical, "au"},
        {OdDb::kUnitsLightYears, "ly"},      {OdDb::kUnitsParsecs, "pc"},
        {OdDb::kUnitsUSSurveyFeet, "ft_us"}, {OdDb::kUnitsUSSurveyInch, "in_us"},
        {OdDb::kUnitsUSSurveyYard, "yd_us"}, {OdDb::kUnitsUSSurveyMile, "mi_us"},
    }};
    for (const auto& [value, symbol] : s_symbols)
        if (value == units)
            return symbol;
    return "unit";
}

TaskUnits taskUnits(OdDb::UnitsValue drawing, bool systemInternational)
{
    TaskUnits u;
    u.length = lengthSymbol(drawing);
    u.force = systemInternational ? "N" : "lbf";
    u.lengthScale =
        oddbGetUnitsConversion(systemInternational ? OdDb::kUnitsMeters : OdDb::kUnitsInches, drawing);
    u.stressScale = 1.0 / (u.lengthScale * u.lengthScale);
    if (systemInternational && drawing == OdDb::kUnitsMillimeters)
        u.stress = "MPa";
    else if (systemInternational && drawing == OdDb::kUnitsMeters)
        u.stress = "Pa";
    else if (!systemInternational && drawing == OdDb::kUnitsInches)
        u.stress = "psi";
    else if (!systemInternational && drawing == OdDb::kUnitsFeet)
        u.stress = "psf";
    else
        u.stress = u.force + "/" + u.length + "^2";
    return u;
}
} // namespace cae_app
