#pragma once

#include "host/oa/detail/DisplayList.h"

#include <memory>
#include <string>
#include <vector>

namespace oa::detail
{

/// Renders display lists, in order (those drawn on top last), into an SVG document (`vector`) or a PNG
/// image of width x height, mapping `window` (with a margin) onto the picture at one scale.
/// Throws oa::PictureError when Cairo fails.
std::string renderPicture(const std::vector<std::shared_ptr<const DisplayList>>& lists,
                          const OdGeExtents3d& window, int width, int height, bool vector);

/// Where `world` lands in that picture (x right, y down).
OdGePoint3d pictureOf(const OdGePoint3d& world, const OdGeExtents3d& window, int width, int height);

} // namespace oa::detail
