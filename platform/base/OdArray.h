#pragma once

#include "platform/base/OdError.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <new>
#include <vector>

/// The SDK's dynamic array with copy-on-write: a copy shares the storage of its source
/// until either of them is changed. Every access is bounds-tested and raises
/// OdError_InvalidIndex; any non-const access to shared storage detaches first, so an
/// iterator or pointer taken from a non-const array stays private to that array. Running out of
/// memory while detaching or growing raises OdError(eOutOfMemory).
template <class T> class OdArray
{
public:
    using size_type = unsigned int;
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    OdArray() = default;
    explicit OdArray(size_type physicalLength)
    {
        growing([&] { m_data->reserve(physicalLength); });
    }
    OdArray(std::initializer_list<T> init) : m_data(std::make_shared<std::vector<T>>(init)) {}

    size_type size() const { return static_cast<size_type>(m_data->size()); }
    size_type length() const { return size(); }
    size_type logicalLength() const { return size(); }
    size_type physicalLength() const { return static_cast<size_type>(m_data->capacity()); }
    bool isEmpty() const { return m_data->empty(); }
    bool empty() const { return m_data->empty(); }

    const T& operator[](size_type i) const { return (*m_data)[check(i)]; }
    T& operator[](size_type i)
    {
        check(i);
        return (*mutableData())[i];
    }
    const T& at(size_type i) const { return (*this)[i]; }
    T& at(size_type i) { return (*this)[i]; }
    const T& getAt(size_type i) const { return (*this)[i]; }
    OdArray& setAt(size_type i, const T& v)
    {
        (*this)[i] = v;
        return *this;
    }
    const T& first() const { return (*this)[0]; }
    const T& last() const { return (*this)[size() - 1]; }

    size_type append(const T& v)
    {
        auto* d = mutableData();
        growing([&] { d->push_back(v); });
        return size() - 1;
    }
    OdArray& append(const OdArray& other)
    {
        // Copy first: other may share our storage, and detaching would invalidate its view.
        const std::vector<T> tail(other.begin(), other.end());
        auto* d = mutableData();
        growing([&] { d->insert(d->end(), tail.begin(), tail.end()); });
        return *this;
    }
    void push_back(const T& v) { append(v); }
    OdArray& insertAt(size_type i, const T& v)
    {
        if (i > size())
            throw OdError_InvalidIndex();
        auto* d = mutableData();
        growing([&] { d->insert(d->begin() + i, v); });
        return *this;
    }
    OdArray& removeAt(size_type i)
    {
        check(i);
        auto* d = mutableData();
        d->erase(d->begin() + i);
        return *this;
    }
    OdArray& removeLast() { return removeAt(size() - 1); }
    bool remove(const T& v, size_type start = 0)
    {
        size_type i = 0;
        if (!find(v, i, start))
            return false;
        removeAt(i);
        return true;
    }
    OdArray& resize(size_type n)
    {
        auto* d = mutableData();
        growing([&] { d->resize(n); });
        return *this;
    }
    OdArray& resize(size_type n, const T& v)
    {
        auto* d = mutableData();
        growing([&] { d->resize(n, v); });
        return *this;
    }
    OdArray& setLogicalLength(size_type n) { return resize(n); }
    OdArray& reserve(size_type n)
    {
        auto* d = mutableData();
        growing([&] { d->reserve(n); });
        return *this;
    }
    OdArray& setPhysicalLength(size_type n)
    {
        auto* d = mutableData();
        if (n < d->size())
            d->resize(n);
        d->shrink_to_fit();
        d->reserve(n);
        return *this;
    }
    OdArray& clear()
    {
        if (m_data.use_count() > 1)
            m_data = std::make_shared<std::vector<T>>();
        else
            m_data->clear();
        return *this;
    }
    OdArray& reverse()
    {
        auto* d = mutableData();
        std::reverse(d->begin(), d->end());
        return *this;
    }

    bool contains(const T& v, size_type start = 0) const
    {
        size_type i = 0;
        return find(v, i, start);
    }
    bool find(const T& v, size_type& foundAt, size_type start = 0) const
    {
        for (size_type i = start; i < size(); ++i)
            if ((*m_data)[i] == v)
            {
                foundAt = i;
                return true;
            }
        return false;
    }

    const T* getPtr() const { return m_data->data(); }
    const T* asArrayPtr() const { return m_data->data(); }
    T* asArrayPtr() { return mutableData()->data(); }

    const_iterator begin() const { return m_data->data(); }
    const_iterator end() const { return m_data->data() + m_data->size(); }
    iterator begin() { return mutableData()->data(); }
    iterator end()
    {
        auto* d = mutableData();
        return d->data() + d->size();
    }

    bool operator==(const OdArray& other) const { return m_data == other.m_data || *m_data == *other.m_data; }

    /// True while this array and other still share one storage block.
    bool sharesStorageWith(const OdArray& other) const { return m_data == other.m_data; }

private:
    size_type check(size_type i) const
    {
        if (i >= m_data->size())
            throw OdError_InvalidIndex();
        return i;
    }
    std::vector<T>* mutableData()
    {
        if (m_data.use_count() > 1)
            growing([this] { m_data = std::make_shared<std::vector<T>>(*m_data); });
        return m_data.get();
    }
    /// Runs an operation that allocates; running out of memory is reported as the SDK does,
    /// with OdError(eOutOfMemory), and leaves the array as it was.
    template <class F> static void growing(F&& allocate)
    {
        try
        {
            allocate();
        }
        catch (const std::bad_alloc&)
        {
            throw OdError(eOutOfMemory);
        }
    }

    std::shared_ptr<std::vector<T>> m_data = std::make_shared<std::vector<T>>();
};

using OdInt32Array = OdArray<int>;
using OdDoubleArray = OdArray<double>;
