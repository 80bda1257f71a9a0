#pragma once

#include "platform/db/DbObject.h"

/// A planar region (written by the curves/region work).
class OdDbRegion;
using OdDbRegionPtr = OdSmartPtr<OdDbRegion>;
