#pragma once

#include "platform/base/OdString.h"

namespace cae_core
{
/// The user's-language text for an English text, looked up with the English text as the key
/// in the loaded translation catalogues; the English text itself when there is no catalogue
/// or no translation for it.
OdString translate(const OdString& english);
} // namespace cae_core
