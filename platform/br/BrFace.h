#pragma once

#include "platform/br/BrBrep.h"
