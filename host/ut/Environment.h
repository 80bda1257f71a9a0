#pragma once

#include "platform/base/OdString.h"

namespace ut
{

/// Reads the environment variable `name` (its text taken as UTF-8). Returns true when it is set, even to
/// an empty text; false when it is not set, and `value` is then emptied.
bool getEnvironment(const OdString& name, OdString& value);

} // namespace ut
