#pragma once

#include "platform/base/OdString.h"

#include <cstdint>
#include <cwchar>

/// The persistent handle of a database object: a 64-bit number, written in upper-case hexadecimal.
class OdDbHandle
{
public:
    OdDbHandle() = default;
    OdDbHandle(std::uint64_t value) : m_value(value) {}
    operator std::uint64_t() const { return m_value; }
    bool isNull() const { return m_value == 0; }

    /// The handle as hexadecimal digits without leading zeros ("0" for the null handle).
    OdString ascii() const
    {
        wchar_t text[17];
        std::swprintf(text, 17, L"%llX", static_cast<unsigned long long>(m_value));
        return OdString(text);
    }

private:
    std::uint64_t m_value = 0;
};
