#include "platform/ge/GeContext.h"

OdGeTol OdGeContext::gTol(1.e-10, 1.e-10);
const OdGeTol OdGeContext::gZeroTol(0.0, 0.0);
