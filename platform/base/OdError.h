#pragma once

#include "platform/base/OdResult.h"

#include <stdexcept>

/// The SDK's exception: carries an OdResult code and its description.
class OdError : public std::runtime_error
{
public:
    explicit OdError(OdResult code) : std::runtime_error(odResultDescription(code)), m_code(code) {}
    OdError(OdResult code, const char* detail)
        : std::runtime_error(std::string(odResultDescription(code)) + ": " + detail), m_code(code)
    {
    }

    OdResult code() const { return m_code; }
    const char* description() const { return what(); }

private:
    OdResult m_code;
};

/// Raised where the SDK raises an index error (an OdArray access out of range).
class OdError_InvalidIndex : public OdError
{
public:
    OdError_InvalidIndex() : OdError(eInvalidIndex) {}
};

/// Raised where the SDK reads a result buffer as a type it does not hold.
class OdError_InvalidResBuf : public OdError
{
public:
    OdError_InvalidResBuf() : OdError(eInvalidResBuf) {}
};
