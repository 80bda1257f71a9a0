#pragma once

#include "apps/analysis/Convergence.h"

#include <string>

/// The plot of a convergence study: each maximum against the unknowns of its mesh (logarithmic),
/// with the extrapolated value as a line where there is one, drawn through the host's view like
/// the other pictures.
namespace cae_app
{
struct ConvergencePictures
{
    std::string svg;
    std::string png;
};

/// Both pictures at `width` x `height` (points for the SVG, pixels for the PNG). oa::PictureError
/// when the view cannot render them.
ConvergencePictures convergencePictures(const ConvergenceStudy& study, const std::string& lengthUnit,
                                        const std::string& stressUnit, int width, int height);
} // namespace cae_app
