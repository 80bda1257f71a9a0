#pragma once

#include "platform/base/OdString.h"

#include <string>

namespace OdDbDetail
{
/// A text as a DXF file holds it: ASCII, with every other character as \U+XXXX.
std::string dxfText(const OdString& text);
/// The text a DXF file's string stands for: UTF-8 with \U+XXXX sequences decoded.
OdString fromDxfText(const std::string& text);
} // namespace OdDbDetail
