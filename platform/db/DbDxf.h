#pragma once

#include "platform/base/OdString.h"

#include <string>
#include <string_view>

class OdDbDatabase;

namespace OdDbDetail
{
/// A text as the writer of a DXF file takes it: UTF-8, with control characters as \U+XXXX.
std::string dxfText(const OdString& text);
/// The text a DXF file's string stands for: UTF-8 with \U+XXXX sequences decoded.
OdString fromDxfText(const std::string& text);
/// Text in the code page a DXF file's header names ($DWGCODEPAGE, such as "ANSI_1251") as UTF-8; a byte
/// the code page does not define becomes U+FFFD. Windows Latin 1 stands for a code page not known.
std::string utf8FromCodePage(const std::string& bytes, const std::string& codePage);
/// UTF-8 text as a DXF file of that code page holds it: the code page's characters as its bytes, every
/// other as \U+XXXX (U+FFFD for one beyond U+FFFF or a byte that starts no character).
std::string codePageFromUtf8(const std::string& utf8, const std::string& codePage);
/// Whether the text is ASCII alone, which every code page holds as it is.
bool isAsciiText(std::string_view text);
/// Notes the form every entity kept from a file has now, once the file is read: a later change of the
/// entity changes its form, and it is then saved from what the database holds.
void noteReadForms(OdDbDatabase& db);
} // namespace OdDbDetail
