#pragma once

#include "apps/drawing/Drawing.h"
#include "cae_core/fea2d/Params2d.h"
#include "platform/base/OdArray.h"
#include "platform/db/DbObject.h"

#include <string>
#include <vector>

/// The loads and supports as the host keeps them in the drawing: glyph blocks placed
/// by block references with the records as extended data, and the way back from a drawing file.
namespace cae_app
{
/// Puts `glyph` (the entities of the glyph of `record` in drawing coordinates, belonging to no
/// database) into the drawing's model space as an anonymous block placed at the record's reference
/// point, with the record as the block reference's extended data.
void placeGlyph(Drawing& drawing, const cae_core::fea2d::LoadOrSupport& record,
                const OdArray<OdSmartPtr<OdDbEntity>>& glyph);

/// The loads and supports of the glyph block references in the model space of the drawing file
/// `path`, placed by each reference's transform, in the file's order, as entries of an analysis
/// file (their path names the block reference by its handle in the file's reading). Throws InputError
/// naming the file when it cannot be read or holds no glyph block reference.
std::vector<LoadOrSupportEntry> loadsFromDrawing(const std::string& path);
} // namespace cae_app
