#pragma once

namespace ut
{
/// Base of the objects the host keeps with a drawing on a module's behalf; the drawing's data owns
/// them and destroys them with the drawing.
class DataExtension
{
public:
    virtual ~DataExtension() = default;
};
} // namespace ut
