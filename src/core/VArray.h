#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "core/Exceptions.h"

// A growable array with an explicit capacity and growth step. An index
// outside the array raises VArray<T>::OutOfRange (an ::OutOfRange).
template <class T>
class VArray {
public:
    class OutOfRange : public ::OutOfRange {};

    VArray() = default;
    explicit VArray(size_t growBy) : m_growBy(growBy) {}
    VArray(std::initializer_list<T> items)
    {
        Reserve(items.size());
        for (const T& item : items)
            Add(item);
    }
    VArray(const VArray& o) : m_growBy(o.m_growBy)
    {
        Reserve(o.m_size);
        for (size_t i = 0; i < o.m_size; ++i)
            Add(o.Data()[i]);
    }
    VArray(VArray&& o) noexcept
        : m_storage(std::move(o.m_storage)), m_size(std::exchange(o.m_size, 0)),
          m_capacity(std::exchange(o.m_capacity, 0)), m_growBy(o.m_growBy)
    {
    }
    VArray& operator=(VArray o) noexcept
    {
        swap(o);
        return *this;
    }
    ~VArray() { Clear(); }

    void swap(VArray& o) noexcept
    {
        std::swap(m_storage, o.m_storage);
        std::swap(m_size, o.m_size);
        std::swap(m_capacity, o.m_capacity);
        std::swap(m_growBy, o.m_growBy);
    }

    size_t GetSize() const noexcept { return m_size; }
    size_t GetCapacity() const noexcept { return m_capacity; }
    size_t GetGrowBy() const noexcept { return m_growBy; }
    bool IsEmpty() const noexcept { return m_size == 0; }
    // 0 chooses the step from the current size.
    void SetGrowBy(size_t growBy) noexcept { m_growBy = growBy; }

    T& operator[](size_t i) { return Data()[Check(i)]; }
    const T& operator[](size_t i) const { return Data()[Check(i)]; }
    T& GetAt(size_t i) { return (*this)[i]; }
    const T& GetAt(size_t i) const { return (*this)[i]; }
    void SetAt(size_t i, T value) { (*this)[i] = std::move(value); }

    size_t Add(T value)
    {
        EnsureRoomForOne();
        std::construct_at(Data() + m_size, std::move(value));
        return m_size++;
    }
    void InsertAt(size_t i, T value)
    {
        if (i > m_size)
            throw OutOfRange();
        Add(std::move(value));
        std::rotate(Data() + i, Data() + m_size - 1, Data() + m_size);
    }
    void RemoveAt(size_t i, size_t count = 1)
    {
        if (i > m_size || count > m_size - i)
            throw OutOfRange();
        std::move(Data() + i + count, Data() + m_size, Data() + i);
        std::destroy(Data() + m_size - count, Data() + m_size);
        m_size -= count;
    }
    void Clear() noexcept
    {
        std::destroy(Data(), Data() + m_size);
        m_size = 0;
    }
    void Reserve(size_t capacity)
    {
        if (capacity <= m_capacity)
            return;
        std::unique_ptr<Storage[]> fresh(new Storage[capacity]);
        T* target = std::launder(reinterpret_cast<T*>(fresh.get()));
        std::uninitialized_move(Data(), Data() + m_size, target);
        std::destroy(Data(), Data() + m_size);
        m_storage = std::move(fresh);
        m_capacity = capacity;
    }

    T* begin() noexcept { return Data(); }
    T* end() noexcept { return Data() + m_size; }
    const T* begin() const noexcept { return Data(); }
    const T* end() const noexcept { return Data() + m_size; }

    bool operator==(const VArray& o) const
    {
        return m_size == o.m_size && std::equal(begin(), end(), o.begin());
    }

private:
    struct alignas(T) Storage {
        unsigned char bytes[sizeof(T)];
    };
    T* Data() const noexcept
    {
        return m_storage ? std::launder(reinterpret_cast<T*>(m_storage.get())) : nullptr;
    }

    size_t Check(size_t i) const
    {
        if (i >= m_size)
            throw OutOfRange();
        return i;
    }
    void EnsureRoomForOne()
    {
        if (m_size < m_capacity)
            return;
        size_t step = m_growBy;
        if (step == 0)
            step = std::clamp<size_t>(m_size / 8, 4, 1024);
        Reserve(m_capacity + step);
    }

    std::unique_ptr<Storage[]> m_storage;
    size_t m_size = 0;
    size_t m_capacity = 0;
    size_t m_growBy = 0;
};
