#pragma once

#include <cstdint>

namespace cae_core
{
/// Outcome of a module operation: eOk (0) is success, every other value a failure or a
/// non-success outcome. The numeric values belong to the exported interface and never change.
/// A few operations (the unit conversions among them) throw a plain EResult value instead of
/// returning it; callers that cannot let it pass catch `EResult`.
enum EResult : std::uint32_t
{
    eOk = 0,
    /// Nothing to do: the object is empty.
    eEmpty = 2,
    /// A file cannot be opened for reading or writing.
    eFileError = 3,
    /// A computation produced no result.
    eFailed = 4,
    /// A value outside what the operation supports (a unit pair without conversion, among others).
    eUnsupported = 5,
    /// Serialising a document failed.
    eWriteError = 6,
    /// A required section of a file is missing.
    eMissingData = 7,
    /// A file is not syntactically valid.
    eParseError = 8,
    /// A value in a file has the wrong kind.
    eWrongType = 9,
    /// The operation cannot be carried out on this input or by this implementation.
    eNotPossible = 10,
    /// The mesher's triangle budget would be exceeded.
    eLimitExceeded = 11,
    /// The external solver ran but did not complete the analysis.
    eSolverFailed = 13,
    /// No external solver executable was found.
    eSolverNotFound = 14,
    /// A required object argument is missing or of the wrong class.
    eInvalidArgument = 15,
    /// A drawing-database operation on a mesh failed.
    eDatabaseError = 16
};

/// The enumerator's name ("eLimitExceeded" for 11), for messages and logs that would otherwise show a
/// bare number; "unknown result" for a value the enumeration does not define.
constexpr const char* getResultName(EResult result) noexcept
{
    switch (result)
    {
    case eOk:
        return "eOk";
    case eEmpty:
        return "eEmpty";
    case eFileError:
        return "eFileError";
    case eFailed:
        return "eFailed";
    case eUnsupported:
        return "eUnsupported";
    case eWriteError:
        return "eWriteError";
    case eMissingData:
        return "eMissingData";
    case eParseError:
        return "eParseError";
    case eWrongType:
        return "eWrongType";
    case eNotPossible:
        return "eNotPossible";
    case eLimitExceeded:
        return "eLimitExceeded";
    case eSolverFailed:
        return "eSolverFailed";
    case eSolverNotFound:
        return "eSolverNotFound";
    case eInvalidArgument:
        return "eInvalidArgument";
    case eDatabaseError:
        return "eDatabaseError";
    }
    return "unknown result";
}
} // namespace cae_core
