#pragma once

#include "apps/drawing/Drawing.h"
#include "apps/output/DxfText.h"
#include "cae_core/results2d/InteractiveResult.h"

#include <filesystem>
#include <string>

/// The drawing a run leaves for a CAD program (`--out DIR` writes it as DIR/drawing.dxf).
namespace cae_app
{
/// Layer of the analysed region in the drawing file.
inline constexpr const wchar_t* kRegionLayer = layers::kRegion;

/// Completes the drawing with what the host keeps there (the region on its own layer, one glyph block
/// reference with its extended data per load and support, and, with a result, the results block
/// inserted right of the region with the glyphs in its picture) and gives it as a DXF file's text.
/// Each part is on the layer of its role (see `layers`): inside the results block the coloured mesh,
/// the legend with its title and the glyphs have theirs, the frame and tables take the block's.
/// With a `base` drawing (a DXF file, the user's), the file is built on it: its layers, line types,
/// styles, blocks and model-space entities come first, with their handles and on their own layers
/// (those the drawing SDK carries only as proxies, such as text blocks and dimensions, as read), and
/// the run's parts are drawn over them; the base itself is only read.
/// Throws OutputError when the base cannot be read or the drawing cannot be written.
std::string drawingFile(Drawing& drawing, const AnalysisFile& file,
                        const cae_core::fea2d::InteractiveResult* result,
                        const std::filesystem::path& base = {});
} // namespace cae_app
