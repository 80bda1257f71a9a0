#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "platform/db/DbDatabase.h"
#include "platform/ge/GeExtents3d.h"

#include <string>
#include <vector>

namespace cae_app
{
/// Layers of the drawing files by what their entities show, so that a CAD user can hide or print
/// each on its own. Entities inside a block stay on layer "0" unless they have a role of their own,
/// and so take the layer of the reference that places them.
namespace layers
{
inline constexpr const wchar_t* kRegion = L"CAE_REGION";
inline constexpr const wchar_t* kMesh = L"CAE_MESH";
inline constexpr const wchar_t* kGlyphs = L"CAE_GLYPHS";
inline constexpr const wchar_t* kResults = L"CAE_RESULTS";
inline constexpr const wchar_t* kLegend = L"CAE_LEGEND";
} // namespace layers

/// Adds the layer with the palette colour `colorIndex` unless the drawing has one of that name.
void addLayer(OdDbDatabase& db, const wchar_t* name, int colorIndex);

/// Adds every layer of `layers` with its colour.
void addRoleLayers(OdDbDatabase& db);

/// Draws the legend of `map` into the model space on the legend layer, as the results block draws
/// its own (eleven swatches bottom to top over the map's domain with their values, the title above),
/// right of `beside` and as high as it, with `caption` in lines below the swatches.
void addLegend(OdDbDatabase& db, const cae_core::ColorMap& map, const std::string& title,
               const std::vector<std::string>& caption, const OdGeExtents3d& beside);

/// The drawing saved as a DXF file's text. The database saves to a path; a run's output folder takes
/// content, so that the file is replaced atomically and owned like every other output. Throws the
/// SDK's OdError when the drawing cannot be saved.
std::string dxfText(OdDbDatabase& db);
} // namespace cae_app
