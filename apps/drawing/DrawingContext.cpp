#include "apps/drawing/DrawingContext.h"

namespace cae_app
{
OdString DrawingContext::unitName(OdDb::UnitsValue units)
{
    switch (units)
    {
    case OdDb::kUnitsInches:
        return L"in";
    case OdDb::kUnitsFeet:
        return L"ft";
    case OdDb::kUnitsMiles:
        return L"mi";
    case OdDb::kUnitsMillimeters:
        return L"mm";
    case OdDb::kUnitsCentimeters:
        return L"cm";
    case OdDb::kUnitsMeters:
        return L"m";
    case OdDb::kUnitsKilometers:
        return L"km";
    case OdDb::kUnitsMicroinches:
        return L"\u00b5in";
    case OdDb::kUnitsMils:
        return L"mil";
    case OdDb::kUnitsYards:
        return L"yd";
    case OdDb::kUnitsAngstroms:
        return L"\u00c5";
    case OdDb::kUnitsNanometers:
        return L"nm";
    case OdDb::kUnitsMicrons:
        return L"\u00b5m";
    case OdDb::kUnitsDecimeters:
        return L"dm";
    case OdDb::kUnitsDekameters:
        return L"dam";
    case OdDb::kUnitsHectometers:
        return L"hm";
    case OdDb::kUnitsGigameters:
        return L"Gm";
    case OdDb::kUnitsAstronomical:
        return L"au";
    case OdDb::kUnitsLightYears:
        return L"ly";
    case OdDb::kUnitsParsecs:
        return L"pc";
    case OdDb::kUnitsUSSurveyFeet:
        return L"ft (US survey)";
    case OdDb::kUnitsUSSurveyInch:
        return L"in (US survey)";
    case OdDb::kUnitsUSSurveyYard:
        return L"yd (US survey)";
    case OdDb::kUnitsUSSurveyMile:
        return L"mi (US survey)";
    case OdDb::kUnitsUndefined:
        break;
    }
    return L"";
}
} // namespace cae_app
