#pragma once

#include "cae_core/fea2d/Context.h"
#include "cae_core/fea2d/Params2d.h"
#include "platform/base/OdArray.h"
#include "platform/db/DbBlockReference.h"

#include <optional>

namespace cae_core::fea2d
{
/// The registered application under which a block reference carries its load or support.
inline constexpr const wchar_t* kGlyphApplicationName = L"CAEANALYZE2D";

/// A new anonymous block of context.database() holding `entities` (which must belong to no
/// database), each moved by -`location` and given the drawing's defaults, so that `location` becomes
/// the block's origin. The block's id; null when the new block cannot be opened as a block.
OdDbObjectId createLoadOrSupportBlock(const Context& context, const OdArray<OdSmartPtr<OdDbEntity>>& entities,
                                      const OdGePoint3d& location);

/// Replaces the geometry of the block placed by `blockReferenceId` with `entities` moved by
/// -`location` (without database defaults); the block reference and its extended data stay as they
/// are. Nothing happens when the id is not a block reference.
void updateLoadOrSupportBlock(OdDbObjectId blockReferenceId, const Context& context,
                              const OdArray<OdSmartPtr<OdDbEntity>>& entities, const OdGePoint3d& location);

/// Store the record as the block reference's extended data under kGlyphApplicationName, replacing
/// what that application had there, and register the application once. The record's id and
/// locations are not stored: the reference point is the block's origin, and a linear record keeps
/// its end relative to its start. Nothing is written when the block reference is in no database.
void saveLoadToBRef(OdDbBlockReference& blockReference, const PointLoad& load);
void saveLoadToBRef(OdDbBlockReference& blockReference, const LinearLoad& load);
void saveSupportToBRef(OdDbBlockReference& blockReference, const PointSupport& support);
void saveSupportToBRef(OdDbBlockReference& blockReference, const LinearSupport& support);

/// The record stored on the block reference, in block coordinates, with the block reference's id;
/// empty for a block reference without it or with foreign or damaged data (never throws for bad
/// data). The caller places it in the drawing with transform() and the reference's blockTransform().
std::optional<LoadOrSupport> getLoadOrSupportFromBRef(const OdDbBlockReference& blockReference);
} // namespace cae_core::fea2d
