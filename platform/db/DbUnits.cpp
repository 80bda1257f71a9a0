#include "platform/db/DbUnits.h"

#include <cmath>
#include <cstdint>

namespace
{
// Exact products of two 64-bit integers need up to 128 bits (a parsec in angstroms is about
// 2^88); the compiler's 128-bit integer keeps the arithmetic exact without a big-number library.
__extension__ using Uint128 = unsigned __int128;

/// A length unit as an exact fraction of a metre: numerator / denominator.
struct MetreFraction
{
    std::uint64_t numerator;
    std::uint64_t denominator;
};

// Indexed by OdDb::UnitsValue. The survey units are defined through 1 m = 39.37 survey inches;
// the parsec (648000 / pi astronomical units, irrational) is taken as the integer that is the
// nearest double to it, 3.0856775814913673e16 m.
constexpr MetreFraction kMetres[] = {
    {1, 1},                 // kUnitsUndefined (not used: unitless)
    {254, 10000},           // kUnitsInches
    {3048, 10000},          // kUnitsFeet
    {1609344, 1000},        // kUnitsMiles
    {1, 1000},              // kUnitsMillimeters
    {1, 100},               // kUnitsCentimeters
    {1, 1},                 // kUnitsMeters
    {1000, 1},              // kUnitsKilometers
    {254, 10000000000},     // kUnitsMicroinches
    {254, 10000000},        // kUnitsMils
    {9144, 10000},          // kUnitsYards
    {1, 10000000000},       // kUnitsAngstroms
    {1, 1000000000},        // kUnitsNanometers
    {1, 1000000},           // kUnitsMicrons
    {1, 10},                // kUnitsDecimeters
    {10, 1},                // kUnitsDekameters
    {100, 1},               // kUnitsHectometers
    {1000000000, 1},        // kUnitsGigameters
    {149597870700, 1},      // kUnitsAstronomical
    {9460730472580800, 1},  // kUnitsLightYears
    {30856775814913672, 1}, // kUnitsParsecs
    {1200, 3937},           // kUnitsUSSurveyFeet
    {100, 3937},            // kUnitsUSSurveyInch
    {3600, 3937},           // kUnitsUSSurveyYard
    {6336000, 3937},        // kUnitsUSSurveyMile
};
static_assert(sizeof(kMetres) / sizeof(kMetres[0]) == OdDb::kUnitsMax + 1, "one entry per drawing unit");

bool isDefinedUnit(OdDb::UnitsValue u)
{
    return u > OdDb::kUnitsUndefined && u <= OdDb::kUnitsMax;
}

int bitLength(Uint128 v)
{
    int n = 0;
    for (; v != 0; v >>= 1)
        ++n;
    return n;
}

/// n / d rounded once, to the nearest double (ties to even). Requires 0 < n and 0 < d < 2^126.
double roundedQuotient(Uint128 n, Uint128 d)
{
    constexpr int kMantissaBits = 53;
    // Two bits beyond the mantissa (the rounding bit and one more) plus a sticky remainder are
    // enough to round correctly.
    constexpr int kWorkingBits = kMantissaBits + 2;

    Uint128 m = n / d;
    Uint128 r = n % d;
    int exponent = 0; // value = (m + r / d) * 2^exponent
    while (bitLength(m) < kWorkingBits)
    {
        r <<= 1;
        m <<= 1;
        if (r >= d)
        {
            r -= d;
            m |= 1;
        }
        --exponent;
    }
    const int drop = bitLength(m) - kMantissaBits;
    Uint128 kept = m >> drop;
    const Uint128 rest = m & ((Uint128(1) << drop) - 1);
    const Uint128 half = Uint128(1) << (drop - 1);
    const bool sticky = r != 0;
    if (rest > half || (rest == half && (sticky || (kept & 1) != 0)))
        ++kept;
    return std::ldexp(static_cast<double>(kept), exponent + drop);
}
} // namespace

double oddbGetUnitsConversion(OdDb::UnitsValue from, OdDb::UnitsValue to)
{
    if (!isDefinedUnit(from) || !isDefinedUnit(to) || from == to)
        return 1.0;
    // metres(from) / metres(to) = (nFrom * dTo) / (dFrom * nTo), formed exactly and rounded once.
    const MetreFraction& a = kMetres[from];
    const MetreFraction& b = kMetres[to];
    return roundedQuotient(Uint128(a.numerator) * b.denominator, Uint128(a.denominator) * b.numerator);
}
