#pragma once

#include "platform/base/SmartPtr.h"
#include "platform/db/DbRegion.h"

namespace cae_core::fea2d
{

/// The mesh size first offered for a region, in drawing units, rounded to two decimals: a 25th of
/// its extents' diagonal, or, when the host cannot give extents, the side of an equilateral triangle
/// of a thousandth of its area. 0.0 for a null region.
double getDefaultMeshSize(const OdSmartPtr<OdDbRegion>& region);

} // namespace cae_core::fea2d
