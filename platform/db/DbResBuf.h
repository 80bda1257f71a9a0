#pragma once

#include "platform/base/OdString.h"
#include "platform/base/RxObject.h"
#include "platform/base/SmartPtr.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GePoint3d.h"

#include <cstdint>
#include <variant>

class OdResBuf;
using OdResBufPtr = OdSmartPtr<OdResBuf>;

/// One item of a linked list of typed values (extended data of an object, for instance). The group
/// code `restype` decides what the item holds, with the drawing format's ranges: 0-9, 100-109 and
/// 1000-1009 a string; 10-39 and 1010-1039 a point; 40-59 and 1040-1059 a double; 60-79 and
/// 1060-1070 a 16-bit integer; 90-99 and 1071 a 32-bit integer. Reading an item as a type its code
/// does not hold raises OdError_InvalidResBuf; so does writing one.
class OdResBuf : public OdRxObject
{
public:
    /// Group codes of extended data.
    enum
    {
        kRtNone = 5000,
        kDxfXdAsciiString = 1000,
        kDxfRegAppName = 1001,
        kDxfXdControlString = 1002,
        kDxfXdXCoord = 1010,
        kDxfXdReal = 1040,
        kDxfXdInteger16 = 1070,
        kDxfXdInteger32 = 1071,
    };

    /// A new item with group code `restype` and a zero value, not linked to another.
    static OdResBufPtr newRb(int restype = kRtNone);

    int restype() const { return m_restype; }
    /// Changes the group code; the value is reset to zero of the new code's type.
    void setRestype(int restype);

    /// The next item; null at the end of the chain.
    OdResBufPtr next() const { return m_next; }
    /// Links `next` after this item (dropping what followed) and returns it, for building chains.
    OdResBufPtr setNext(OdResBuf* next);
    /// The last item of the chain that starts here.
    OdResBufPtr last() const;

    OdString getString() const;
    void setString(const OdString& value);
    std::int16_t getInt16() const;
    void setInt16(std::int16_t value);
    std::int32_t getInt32() const;
    void setInt32(std::int32_t value);
    double getDouble() const;
    void setDouble(double value);
    /// x and y of the point.
    OdGePoint2d getPoint2d() const;
    /// Stores (x, y, 0).
    void setPoint2d(const OdGePoint2d& value);
    OdGePoint3d getPoint3d() const;
    void setPoint3d(const OdGePoint3d& value);

    /// Takes the group code and value of `other` (not its link).
    void copyValue(const OdResBuf& other)
    {
        m_restype = other.m_restype;
        m_value = other.m_value;
    }
    /// A copy of the chain that starts at `first` (null for null).
    static OdResBufPtr copyChain(const OdResBuf* first);

private:
    using Value = std::variant<std::monostate, OdString, OdGePoint3d, double, std::int16_t, std::int32_t>;
    static Value zeroOf(int restype);
    template <class T> const T& get() const;
    template <class T> void set(const T& value);

    int m_restype = kRtNone;
    Value m_value;
    OdResBufPtr m_next;
};
