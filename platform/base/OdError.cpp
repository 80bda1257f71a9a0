#include "platform/base/OdError.h"

const char* odResultDescription(OdResult res)
{
    switch (res)
    {
    case eOk:
        return "No error";
    case eNotImplementedYet:
        return "Not implemented yet";
    case eNotApplicable:
        return "Not applicable";
    case eInvalidInput:
        return "Invalid input";
    case eInvalidIndex:
        return "Invalid index";
    case eOutOfMemory:
        return "Out of memory";
    case eNullPtr:
        return "Null pointer";
    case eKeyNotFound:
        return "Key not found";
    case eWrongObjectType:
        return "Wrong object type";
    case eInvalidExtents:
        return "Invalid extents";
    case eDegenerateGeometry:
        return "Degenerate geometry";
    case eNotInDatabase:
        return "Object is not in a database";
    case eDuplicateKey:
        return "Duplicate key";
    case eNotOpenForWrite:
        return "Not opened for write";
    case eInvalidOpenState:
        return "Invalid open state";
    case eRegappIdNotFound:
        return "Registered application not found";
    case eInvalidResBuf:
        return "Invalid result buffer";
    }
    return "Unknown error";
}
