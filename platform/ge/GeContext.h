#pragma once

#include "platform/ge/GeTol.h"

/// Global geometry settings of the SDK.
struct OdGeContext
{
    /// The one global tolerance: equal point and equal vector 1e-10, in drawing units.
    static OdGeTol gTol;
    /// Zero tolerance, for callers that ask for exact comparisons.
    static const OdGeTol gZeroTol;
};
