#pragma once

#include "platform/ge/GeCurve3d.h"

#include <memory>
#include <vector>

/// The geometry snapshot behind a brep and its handles (not an SDK interface).
namespace OdBrDetail
{
struct FaceData
{
    /// Loops of the face, the exterior loop first; each loop's edge curves in walking order.
    std::vector<std::vector<std::unique_ptr<OdGeCurve3d>>> loops;
};

struct BrepData
{
    std::vector<FaceData> faces;
};
} // namespace OdBrDetail
