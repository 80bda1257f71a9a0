#pragma once

#include "cae_core/results2d/InteractiveResult.h"
#include "platform/base/OdArray.h"
#include "platform/db/DbObject.h"

namespace cae_core::fea2d
{
/// Writes the result into a new block of the result's drawing, defined but not inserted: a frame
/// around the input and output tables stacked above a picture of the mesh coloured by the current
/// quantity, with its legend and title, the reaction force glyphs and `extraEntities` (which go into
/// the block themselves, so they must belong to no database). Sizes are multiples of the annotation
/// scale; the base point is the frame's lower-left corner; the block is named after
/// "CAE_ANALYZE2D_RESULT", made unique by the host's rule. The new block's id; null (with the drawing
/// unchanged) when the block table cannot be opened or the block cannot be made.
OdDbObjectId createResultsBlock(const InteractiveResult& result,
                                const OdArray<OdSmartPtr<OdDbEntity>>& extraEntities);
} // namespace cae_core::fea2d
