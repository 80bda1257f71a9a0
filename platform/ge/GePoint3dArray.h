#pragma once

#include "platform/base/OdArray.h"
#include "platform/ge/GePoint3d.h"

using OdGePoint3dArray = OdArray<OdGePoint3d>;
