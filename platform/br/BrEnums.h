#pragma once

/// Status codes of the boundary-representation traversal.
enum OdBrErrorStatus
{
    odbrOK = 0,
    odbrNotImplementedYet = 1,
    odbrInvalidInput = 2,
    odbrUninitialisedObject = 3,
    odbrOutOfRange = 4,
    odbrWrongObjectType = 5,
    odbrDegenerateTopology = 6,
};

namespace OdBr
{
enum LoopType
{
    odbrLoopUnclassified = 0,
    odbrLoopExterior = 1,
    odbrLoopInterior = 2,
    odbrLoopWinding = 3,
};
} // namespace OdBr
