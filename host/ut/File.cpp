#include "host/ut/File.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ut
{
namespace
{
bool isSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

std::filesystem::path toPath(const FileName& path)
{
    return std::filesystem::path(convFileNameToMB(path.path()));
}

void setError(OdString* error, const FileName& path, const char* what, const std::string& reason)
{
    if (error)
        *error = OdString(what) + L" \"" + path.path() + L"\": " + OdString(reason.c_str());
}
} // namespace

FileName::FileName(const OdString& folder, const OdString& name, const OdString& extension)
    : m_path((FileName(folder) / name).path())
{
    if (!extension.isEmpty())
    {
        m_path += L'.';
        m_path += extension;
    }
}

int FileName::lastSeparator() const
{
    for (int i = m_path.getLength() - 1; i >= 0; --i)
    {
        if (isSeparator(m_path.getAt(i)))
            return i;
    }
    return -1;
}

int FileName::extensionDot() const
{
    const int start = lastSeparator() + 1;
    for (int i = m_path.getLength() - 1; i > start; --i)
    {
        if (m_path.getAt(i) == L'.')
            return i;
    }
    return -1;
}

OdString FileName::folder() const
{
    const int sep = lastSeparator();
    if (sep < 0)
        return OdString();
    return sep == 0 ? m_path.left(1) : m_path.left(sep);
}

OdString FileName::fileName() const
{
    return m_path.mid(lastSeparator() + 1);
}

OdString FileName::name() const
{
    const int start = lastSeparator() + 1;
    const int dot = extensionDot();
    return dot < 0 ? m_path.mid(start) : m_path.mid(start).left(dot - start);
}

OdString FileName::extension() const
{
    const int dot = extensionDot();
    return dot < 0 ? OdString() : m_path.mid(dot + 1);
}

FileName FileName::withExtension(const OdString& extension) const
{
    const int dot = extensionDot();
    OdString path = dot < 0 ? m_path : m_path.left(dot);
    const OdString ext = (!extension.isEmpty() && extension.getAt(0) == L'.') ? extension.mid(1) : extension;
    if (!ext.isEmpty())
    {
        path += L'.';
        path += ext;
    }
    return FileName(path);
}

FileName FileName::operator/(const OdString& component) const
{
    if (m_path.isEmpty())
        return FileName(component);
    OdString path = m_path;
    int skip = 0;
    while (skip < component.getLength() && isSeparator(component.getAt(skip)))
        ++skip;
    if (!isSeparator(path.getAt(path.getLength() - 1)))
        path += Config::separator();
    path += component.mid(skip);
    return FileName(path);
}

bool File::create(const FileName& path, EKind kind, bool overwrite, OdString* error)
{
    if (path.isEmpty())
    {
        setError(error, path, "Cannot create", "the path is empty");
        return false;
    }
    const std::filesystem::path p = toPath(path);
    std::error_code ec;
    if (kind == eFolder)
    {
        std::filesystem::create_directories(p, ec);
        if (ec)
        {
            setError(error, path, "Cannot create folder", ec.message());
            return false;
        }
        if (!std::filesystem::is_directory(p, ec))
        {
            setError(error, path, "Cannot create folder", "a file of that name exists");
            return false;
        }
        return true;
    }

    if (std::filesystem::exists(p, ec))
    {
        if (std::filesystem::is_directory(p, ec))
        {
            setError(error, path, "Cannot create file", "a folder of that name exists");
            return false;
        }
        if (!overwrite)
        {
            setError(error, path, "Cannot create file", "the file exists");
            return false;
        }
    }
    std::ofstream out(p, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out)
    {
        const std::error_code why(errno, std::generic_category());
        setError(error, path, "Cannot create file", why.message());
        return false;
    }
    return true;
}

bool File::exists(const FileName& path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::exists(toPath(path), ec);
}

bool File::isFolder(const FileName& path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::is_directory(toPath(path), ec);
}

std::string convFileNameToMB(const OdString& path)
{
    return OdAnsiString(path).str();
}

} // namespace ut
