#include "host/ut/Registry.h"

#include "host/ut/Environment.h"
#include "host/ut/File.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <string>

namespace ut
{
namespace
{
struct Section
{
    Registry::ERootKey root;
    std::vector<OdString> path;
    std::vector<std::pair<OdString, OdString>> values;
};

bool sameName(const OdString& a, const OdString& b)
{
    return a.iCompare(b) == 0;
}

std::vector<OdString> splitKey(const OdString& key)
{
    std::vector<OdString> parts;
    OdString part;
    for (wchar_t c : key.str())
    {
        if (c == L'\\' || c == L'/')
        {
            if (!part.trimRight().trimLeft().isEmpty())
                parts.push_back(part);
            part.empty();
        }
        else
            part += c;
    }
    if (!part.trimRight().trimLeft().isEmpty())
        parts.push_back(part);
    return parts;
}

std::optional<Registry::ERootKey> parseRoot(const OdString& name)
{
    struct RootName
    {
        const wchar_t* longName;
        const wchar_t* shortName;
        Registry::ERootKey root;
    };
    static constexpr std::array<RootName, 4> kRoots{
        {{L"HKEY_CLASSES_ROOT", L"HKCR", Registry::eClassesRoot},
         {L"HKEY_CURRENT_USER", L"HKCU", Registry::eCurrentUser},
         {L"HKEY_LOCAL_MACHINE", L"HKLM", Registry::eLocalMachine},
         {L"HKEY_USERS", L"HKU", Registry::eUsers}}};
    for (const auto& r : kRoots)
    {
        if (sameName(name, r.longName) || sameName(name, r.shortName))
            return r.root;
    }
    return std::nullopt;
}

OdString unquote(OdString text)
{
    text.trimLeft().trimRight();
    const int n = text.getLength();
    if (n >= 2 && text.getAt(0) == L'"' && text.getAt(n - 1) == L'"')
        return text.mid(1).left(n - 2);
    return text;
}

OdString where(const OdString& file, int line)
{
    OdString s;
    s.format(L"%ls:%d: ", file.c_str(), line);
    return s;
}

// Reads the whole file; false with `error` set when it is missing or malformed.
bool parseFile(const OdString& file, std::vector<Section>& sections, OdString& error)
{
    std::ifstream in(convFileNameToMB(file), std::ios::binary);
    if (!in)
    {
        error = OdString(L"cannot open the registry file \"") + file + L"\"";
        return false;
    }
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw))
    {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (lineNo == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0)
            raw.erase(0, 3);
        OdString line(raw.c_str());
        line.trimLeft().trimRight();
        if (line.isEmpty() || line.getAt(0) == L';' || line.getAt(0) == L'#')
            continue;
        if (line.getAt(0) == L'[')
        {
            if (line.getAt(line.getLength() - 1) != L']')
            {
                error = where(file, lineNo) + L"a section must end with ']'";
                return false;
            }
            std::vector<OdString> parts = splitKey(line.mid(1).left(line.getLength() - 2));
            const auto root = parts.empty() ? std::nullopt : parseRoot(parts.front());
            if (!root)
            {
                error = where(file, lineNo) +
                        L"a section must start with a registry root such as HKEY_LOCAL_MACHINE";
                return false;
            }
            parts.erase(parts.begin());
            sections.push_back({*root, std::move(parts), {}});
            continue;
        }
        const int eq = line.find(L'=');
        if (eq < 0)
        {
            error = where(file, lineNo) + L"expected a [key] section or a name = value line";
            return false;
        }
        if (sections.empty())
        {
            error = where(file, lineNo) + L"a value must follow a [key] section";
            return false;
        }
        const OdString name = unquote(line.left(eq));
        const OdString value = unquote(line.mid(eq + 1));
        auto& values = sections.back().values;
        const auto it = std::find_if(values.begin(), values.end(),
                                     [&](const auto& v) { return sameName(v.first, name); });
        if (it != values.end())
            it->second = value;
        else
            values.emplace_back(name, value);
    }
    return true;
}

// True when `path` starts with all of `prefix` (names compared without case).
bool startsWith(const std::vector<OdString>& path, const std::vector<OdString>& prefix)
{
    return path.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), path.begin(),
                      [](const auto& a, const auto& b) { return sameName(a, b); });
}
} // namespace

bool Registry::open(ERootKey root, const OdString& key)
{
    close();
    m_error.empty();
    OdString file;
    if (!getEnvironment(OdString(kFileVariable), file) || file.isEmpty())
    {
        m_error = OdString(kFileVariable) + L" does not name a registry file";
        return false;
    }
    std::vector<Section> sections;
    if (!parseFile(file, sections, m_error))
        return false;

    const std::vector<OdString> wanted = splitKey(key);
    bool found = false;
    for (const Section& s : sections)
    {
        if (s.root != root || !startsWith(s.path, wanted))
            continue;
        found = true;
        if (s.path.size() == wanted.size())
        {
            for (const auto& [name, value] : s.values)
            {
                // A named copy: clang 14 cannot capture a structured binding.
                const auto& key = name;
                const auto it = std::find_if(m_values.begin(), m_values.end(),
                                             [&](const auto& v) { return sameName(v.first, key); });
                if (it != m_values.end())
                    it->second = value;
                else
                    m_values.emplace_back(name, value);
            }
        }
        else
        {
            const OdString& child = s.path[wanted.size()];
            if (std::none_of(m_subKeys.begin(), m_subKeys.end(),
                             [&](const OdString& k) { return sameName(k, child); }))
                m_subKeys.push_back(child);
        }
    }
    if (!found)
    {
        m_subKeys.clear();
        m_values.clear();
        m_error = OdString(L"the registry key \"") + key + L"\" does not exist in \"" + file + L"\"";
        return false;
    }
    m_open = true;
    return true;
}

void Registry::close()
{
    m_open = false;
    m_subKeys.clear();
    m_values.clear();
}

bool Registry::read(const OdString& name, OdString& value) const
{
    if (!m_open)
        return false;
    const auto it = std::find_if(m_values.begin(), m_values.end(),
                                 [&](const auto& v) { return sameName(v.first, name); });
    if (it == m_values.end())
        return false;
    value = it->second;
    return true;
}

bool Registry::listKeys(std::vector<OdString>& keys) const
{
    if (!m_open)
        return false;
    keys = m_subKeys;
    return true;
}

bool Registry::listValues(std::vector<OdString>& names) const
{
    if (!m_open)
        return false;
    names.clear();
    for (const auto& v : m_values)
        names.push_back(v.first);
    return true;
}

} // namespace ut
