#pragma once

#include "platform/base/OdString.h"

#include <string>

class OdDbDatabase;

namespace OdDbDetail
{
/// A text as a DXF file holds it: ASCII, with every other character as \U+XXXX.
std::string dxfText(const OdString& text);
/// The text a DXF file's string stands for: UTF-8 with \U+XXXX sequences decoded.
OdString fromDxfText(const std::string& text);
/// Notes the form every entity kept from a file has now, once the file is read: a later change of the
/// entity changes its form, and it is then saved from what the database holds.
void noteReadForms(OdDbDatabase& db);
} // namespace OdDbDetail
