#pragma once

#include "platform/base/OdString.h"

#include <utility>
#include <vector>

namespace ut
{

/// Read-only access to one key of the host's registry.
///
/// This platform has no system registry: the registry is a UTF-8 text file named by the environment
/// variable CAE_HOST_REGISTRY (without it every open fails). The file lists keys as sections and their
/// values as name = value lines:
///
///     ; comment (also #)
///     [HKEY_LOCAL_MACHINE\SOFTWARE\Vendor\Product 2023]
///     Latest = 2023.1
///     Path = "/opt/vendor/product"
///
/// A section starts with a root (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS or
/// their short forms HKCR, HKCU, HKLM, HKU) and names the key path below it with '\' or '/' between key
/// names. Keys and value names match without regard to ASCII case, as in the system registry. Every
/// parent of a listed key exists too. Names and values are trimmed of surrounding blanks; a value enclosed
/// in double quotes loses the quotes. A later line for the same value name overrides an earlier one.
class Registry
{
public:
    enum ERootKey
    {
        eClassesRoot = 0,
        eCurrentUser = 1,
        eLocalMachine = 2,
        eUsers = 3
    };

    /// Environment variable naming the registry file.
    static constexpr const char* kFileVariable = "CAE_HOST_REGISTRY";

    /// Opens `key` (key names separated by '\' or '/') below `root`, reading the file afresh.
    /// False when there is no file, it cannot be parsed, or the key does not exist; lastError() tells which.
    bool open(ERootKey root, const OdString& key);
    void close();
    bool isOpen() const { return m_open; }

    /// Reads the value `name` of the open key; false when no key is open or it has no such value.
    bool read(const OdString& name, OdString& value) const;
    /// The names of the direct subkeys of the open key, in order of first appearance in the file.
    bool listKeys(std::vector<OdString>& keys) const;
    /// The value names of the open key, in order of first appearance.
    bool listValues(std::vector<OdString>& names) const;

    /// Why the last open failed, naming the file and line for a syntax error; empty after a successful open.
    const OdString& lastError() const { return m_error; }

private:
    bool m_open = false;
    std::vector<OdString> m_subKeys;
    std::vector<std::pair<OdString, OdString>> m_values;
    OdString m_error;
};

} // namespace ut
