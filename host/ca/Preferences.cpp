#include "host/ca/Preferences.h"

namespace ca
{

bool Preferences::setHighlightColorIndex(short index)
{
    if (index < 1 || index > 255)
        return false;
    m_highlightColorIndex = index;
    return true;
}

Preferences& preferences()
{
    static Preferences instance;
    return instance;
}

} // namespace ca
