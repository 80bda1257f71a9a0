#pragma once

namespace OdDb
{
/// Drawing length units (the INSUNITS system variable).
enum UnitsValue
{
    kUnitsUndefined = 0,
    kUnitsInches = 1,
    kUnitsFeet = 2,
    kUnitsMiles = 3,
    kUnitsMillimeters = 4,
    kUnitsCentimeters = 5,
    kUnitsMeters = 6,
    kUnitsKilometers = 7,
    kUnitsMicroinches = 8,
    kUnitsMils = 9,
    kUnitsYards = 10,
    kUnitsAngstroms = 11,
    kUnitsNanometers = 12,
    kUnitsMicrons = 13,
    kUnitsDecimeters = 14,
    kUnitsDekameters = 15,
    kUnitsHectometers = 16,
    kUnitsGigameters = 17,
    kUnitsAstronomical = 18,
    kUnitsLightYears = 19,
    kUnitsParsecs = 20,
    kUnitsUSSurveyFeet = 21,
    kUnitsUSSurveyInch = 22,
    kUnitsUSSurveyYard = 23,
    kUnitsUSSurveyMile = 24,
    kUnitsMax = kUnitsUSSurveyMile
};

/// The MEASUREMENT system variable: imperial (0) or metric (1).
enum MeasurementValue
{
    kEnglish = 0,
    kMetric = 1
};
} // namespace OdDb

/// Factor that converts a length in unit `from` into unit `to`. Undefined units count as
/// unitless (factor 1 to anything). Each unit is an exact rational number of metres, so a
/// factor and its reverse are the correctly rounded values of exact reciprocals.
double oddbGetUnitsConversion(OdDb::UnitsValue from, OdDb::UnitsValue to);
