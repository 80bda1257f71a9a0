#pragma once

#include "platform/base/OdArray.h"
#include "platform/ge/GePoint2d.h"

using OdGePoint2dArray = OdArray<OdGePoint2d>;
