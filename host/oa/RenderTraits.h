#pragma once

#include "platform/gi/GiDrawable.h"

#include <cstdint>

namespace oa
{

/// The host's own drawing attributes, beyond the SDK's traits. A drawable reaches them from the traits
/// object it is given in subSetAttributes (RenderTraits::from); they hold for everything it then draws.
class RenderTraits
{
public:
    enum EFlag : std::uint32_t
    {
        /// Shells are shaded: their faces take their face and vertex colours (vertex colours blend
        /// across each face in pictures that can show it). Without it a filled shell takes one colour.
        eShaded = 1,
        /// Drawn over everything else (highlights).
        eOnTop = 2,
        /// Colours are faded towards the background by the fade factor.
        eFaded = 4
    };

    virtual ~RenderTraits() = default;

    /// The host's render traits behind an SDK traits object, or null when it is not the host's.
    static RenderTraits* from(OdGiDrawableTraits* traits) { return dynamic_cast<RenderTraits*>(traits); }

    void setFlag(EFlag flag, bool on)
    {
        m_flags = on ? (m_flags | flag) : (m_flags & ~static_cast<std::uint32_t>(flag));
    }
    bool flag(EFlag flag) const { return (m_flags & flag) != 0; }
    std::uint32_t flags() const { return m_flags; }
    /// Sets all flags at once (a combination of EFlag values).
    void setFlags(std::uint32_t flags) { m_flags = flags; }
    /// The share of the background mixed into every colour while eFaded is set, 0..1 (clamped).
    void setFadeFactor(double factor) { m_fade = factor < 0.0 ? 0.0 : (factor > 1.0 ? 1.0 : factor); }
    double fadeFactor() const { return m_fade; }
    /// Width of the lines drawn from now on, as a multiple of the view's fine line (at least 0.1): a
    /// drawable may change it between its lines.
    void setLineWidth(double width) { m_lineWidth = width > 0.1 ? width : 0.1; }
    double lineWidth() const { return m_lineWidth; }

protected:
    void resetRenderTraits()
    {
        m_flags = 0;
        m_fade = 0.0;
        m_lineWidth = 1.0;
    }

private:
    std::uint32_t m_flags = 0;
    double m_fade = 0.0;
    double m_lineWidth = 1.0;
};

} // namespace oa
