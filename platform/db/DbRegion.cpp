#include "platform/db/DbRegion.h"
