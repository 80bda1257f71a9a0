#include "platform/db/DbResBuf.h"

#include "platform/base/OdError.h"

namespace
{
bool in(int code, int low, int high)
{
    return code >= low && code <= high;
}
} // namespace

OdResBuf::Value OdResBuf::zeroOf(int restype)
{
    const int c = restype;
    if (in(c, 0, 9) || in(c, 100, 109) || in(c, 1000, 1009))
        return OdString();
    if (in(c, 10, 39) || in(c, 1010, 1039))
        return OdGePoint3d();
    if (in(c, 40, 59) || in(c, 1040, 1059))
        return 0.0;
    if (in(c, 60, 79) || in(c, 1060, 1070))
        return std::int16_t{0};
    if (in(c, 90, 99) || c == 1071)
        return std::int32_t{0};
    return std::monostate{};
}

OdResBufPtr OdResBuf::newRb(int restype)
{
    OdResBufPtr rb = odrxCreateObject<OdResBuf>();
    rb->setRestype(restype);
    return rb;
}

void OdResBuf::setRestype(int restype)
{
    m_restype = restype;
    m_value = zeroOf(restype);
}

OdResBufPtr OdResBuf::setNext(OdResBuf* next)
{
    m_next = next;
    return m_next;
}

OdResBufPtr OdResBuf::last() const
{
    OdResBufPtr rb(const_cast<OdResBuf*>(this));
    while (rb->m_next)
        rb = rb->m_next;
    return rb;
}

template <class T> const T& OdResBuf::get() const
{
    if (const T* value = std::get_if<T>(&m_value))
        return *value;
    throw OdError_InvalidResBuf();
}

template <class T> void OdResBuf::set(const T& value)
{
    if (!std::holds_alternative<T>(m_value))
        throw OdError_InvalidResBuf();
    m_value = value;
}

OdString OdResBuf::getString() const
{
    return get<OdString>();
}
void OdResBuf::setString(const OdString& value)
{
    set(value);
}
std::int16_t OdResBuf::getInt16() const
{
    return get<std::int16_t>();
}
void OdResBuf::setInt16(std::int16_t value)
{
    set(value);
}
std::int32_t OdResBuf::getInt32() const
{
    return get<std::int32_t>();
}
void OdResBuf::setInt32(std::int32_t value)
{
    set(value);
}
double OdResBuf::getDouble() const
{
    return get<double>();
}
void OdResBuf::setDouble(double value)
{
    set(value);
}
OdGePoint2d OdResBuf::getPoint2d() const
{
    const OdGePoint3d& p = get<OdGePoint3d>();
    return OdGePoint2d(p.x, p.y);
}
void OdResBuf::setPoint2d(const OdGePoint2d& value)
{
    set(OdGePoint3d(value.x, value.y, 0.0));
}
OdGePoint3d OdResBuf::getPoint3d() const
{
    return get<OdGePoint3d>();
}
void OdResBuf::setPoint3d(const OdGePoint3d& value)
{
    set(value);
}

OdResBufPtr OdResBuf::copyChain(const OdResBuf* first)
{
    OdResBufPtr head;
    OdResBufPtr tail;
    for (const OdResBuf* rb = first; rb; rb = rb->m_next.get())
    {
        OdResBufPtr copy = odrxCreateObject<OdResBuf>();
        copy->copyValue(*rb);
        if (tail)
            tail = tail->setNext(copy.get());
        else
            head = tail = copy;
    }
    return head;
}
