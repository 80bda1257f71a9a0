#pragma once

/// Result codes of the drawing SDK. Only the codes the stand-in raises are listed.
enum OdResult
{
    eOk = 0,
    eNotImplementedYet,
    eNotApplicable,
    eInvalidInput,
    eInvalidIndex,
    eOutOfMemory,
    eNullPtr,
    eKeyNotFound,
    eWrongObjectType,
    eInvalidExtents,
    eDegenerateGeometry,
    eNotInDatabase,
    eDuplicateKey,
    eNotOpenForWrite,
    eInvalidOpenState,
    eRegappIdNotFound,
    eInvalidResBuf,
};

/// English description of a result code, as the SDK's error messages show it.
const char* odResultDescription(OdResult res);
