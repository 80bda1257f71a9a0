#pragma once

#include "platform/base/OdString.h"

#include <string>

namespace ut
{

/// File-system conventions of the host.
class Config
{
public:
    /// The separator the host puts between folder names and between registry key names.
    static wchar_t separator() { return L'/'; }
};

/// A file or folder path held as a wide string.
///
/// Queries accept both '/' and '\\' as separators, because paths written for the host's home platform
/// use the latter; joining always puts Config::separator() in between.
class FileName
{
public:
    FileName() = default;
    FileName(const OdString& path) : m_path(path) {}
    FileName(const wchar_t* path) : m_path(path) {}
    /// folder + separator + name, then "." + extension unless the extension is empty.
    FileName(const OdString& folder, const OdString& name, const OdString& extension);

    const OdString& path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }

    /// Everything before the last separator, without it ("/" for a file in the root, empty without a folder).
    OdString folder() const;
    /// Everything after the last separator.
    OdString fileName() const;
    /// The file name without its extension.
    OdString name() const;
    /// The text after the last dot of the file name, without the dot; empty when there is none.
    /// A leading dot starts a hidden name, not an extension (".profile" has none).
    OdString extension() const;
    bool hasExtension() const { return !extension().isEmpty(); }

    /// This path with the extension replaced (added when there was none; removed when `extension` is empty).
    /// A leading dot in `extension` is ignored.
    FileName withExtension(const OdString& extension) const;
    /// This path with `component` appended after a single separator.
    FileName operator/(const OdString& component) const;

    friend bool operator==(const FileName& a, const FileName& b) { return a.m_path == b.m_path; }

private:
    int lastSeparator() const;
    int extensionDot() const;

    OdString m_path;
};

/// Creation of files and folders.
class File
{
public:
    enum EKind
    {
        eFile,
        eFolder
    };

    /// Creates an empty file (truncating an existing one when `overwrite`) or a folder with any missing
    /// parents (an existing folder is reused). Returns false on failure; `error`, when given, then
    /// receives a text that names the path and the reason.
    static bool create(const FileName& path, EKind kind = eFile, bool overwrite = true,
                       OdString* error = nullptr);
    static bool exists(const FileName& path);
    static bool isFolder(const FileName& path);
};

/// The multibyte (UTF-8) form of a path, as narrow file streams and the C library take it.
std::string convFileNameToMB(const OdString& path);

} // namespace ut
