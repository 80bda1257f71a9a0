#pragma once

namespace ut
{

/// Handle of one connection to a host signal. Holders keep it as std::shared_ptr<ut::Connection>;
/// the signal keeps only a weak reference, so releasing the last strong reference disconnects.
class Connection
{
public:
    virtual ~Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

protected:
    Connection() = default;
};

} // namespace ut
