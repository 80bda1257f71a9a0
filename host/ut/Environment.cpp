#include "host/ut/Environment.h"

#include <cstdlib>

namespace ut
{

bool getEnvironment(const OdString& name, OdString& value)
{
    const OdAnsiString narrow(name);
    const char* text = narrow.isEmpty() ? nullptr : std::getenv(narrow.c_str());
    if (!text)
    {
        value.empty();
        return false;
    }
    value = OdString(text);
    return true;
}

} // namespace ut
