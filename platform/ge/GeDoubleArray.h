#pragma once

#include "platform/base/OdArray.h"

using OdGeDoubleArray = OdArray<double>;
