#pragma once

#include "platform/base/OdArray.h"
#include "platform/ge/GeVector3d.h"

using OdGeVector3dArray = OdArray<OdGeVector3d>;
