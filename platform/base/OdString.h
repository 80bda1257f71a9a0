#pragma once

#include <compare>
#include <cstddef>
#include <string>

/// Wide string of the drawing SDK. Narrow input is taken as UTF-8.
class OdString
{
public:
    OdString() = default;
    OdString(const wchar_t* s) : m_str(s ? s : L"") {}
    OdString(const wchar_t* s, std::size_t n) : m_str(s, n) {}
    OdString(const char* utf8);
    OdString(std::wstring s) : m_str(std::move(s)) {}

    /// Replaces the contents with a printf-style formatted text. %ls takes a wide string,
    /// %s a narrow one, as in the C library's wide formatting functions.
    OdString& format(const wchar_t* fmt, ...);

    const wchar_t* c_str() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    int getLength() const { return static_cast<int>(m_str.size()); }
    bool isEmpty() const { return m_str.empty(); }
    wchar_t getAt(int i) const { return m_str.at(static_cast<std::size_t>(i)); }
    OdString& empty()
    {
        m_str.clear();
        return *this;
    }

    OdString left(int n) const { return OdString(m_str.substr(0, static_cast<std::size_t>(n < 0 ? 0 : n))); }
    OdString mid(int start) const;
    int find(wchar_t c) const;
    int find(const OdString& s) const;
    OdString& replace(const OdString& from, const OdString& to);
    OdString& trimLeft();
    OdString& trimRight();
    OdString& makeUpper();
    OdString& makeLower();

    OdString& operator+=(const OdString& s)
    {
        m_str += s.m_str;
        return *this;
    }
    OdString& operator+=(wchar_t c)
    {
        m_str += c;
        return *this;
    }
    friend OdString operator+(OdString a, const OdString& b) { return a += b; }

    friend bool operator==(const OdString& a, const OdString& b) { return a.m_str == b.m_str; }
    friend std::strong_ordering operator<=>(const OdString& a, const OdString& b)
    {
        return a.m_str <=> b.m_str;
    }
    bool operator==(const wchar_t* s) const { return m_str == (s ? s : L""); }

    int compare(const OdString& s) const { return m_str.compare(s.m_str); }
    int iCompare(const OdString& s) const;

    /// The text as a standard wide string (stand-in convenience for the STL-based host).
    const std::wstring& str() const { return m_str; }

private:
    std::wstring m_str;
};

/// Narrow string of the SDK; built from an OdString it holds UTF-8.
class OdAnsiString
{
public:
    OdAnsiString() = default;
    OdAnsiString(const char* s) : m_str(s ? s : "") {}
    explicit OdAnsiString(const OdString& s);

    const char* c_str() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }
    int getLength() const { return static_cast<int>(m_str.size()); }
    bool isEmpty() const { return m_str.empty(); }
    const std::string& str() const { return m_str; }

    friend bool operator==(const OdAnsiString& a, const OdAnsiString& b) { return a.m_str == b.m_str; }

private:
    std::string m_str;
};
