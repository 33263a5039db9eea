#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

// The reference-counting contract of interfaces that cross module
// boundaries: a new object is born with one reference, the last Release
// deletes it.
class IVUnknown {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IVUnknown() = default;
};

// Implements the counting of an interface I (which derives from IVUnknown).
template <class I>
class VUnknown : public I {
public:
    VUnknown() = default;
    VUnknown(const VUnknown&) = delete;
    VUnknown& operator=(const VUnknown&) = delete;

    uint32_t AddRef() override { return m_count.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() override
    {
        const uint32_t left = m_count.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }
    uint32_t RefCount() const { return m_count.load(std::memory_order_relaxed); }

protected:
    virtual ~VUnknown() = default;

private:
    std::atomic<uint32_t> m_count{1};
};

// Holds one reference. Constructing from a raw pointer adopts the caller's
// reference (the count starts at 1, so `VUnknownPointer p(new X)` is right);
// use Retain() to take a new one instead.
template <class I>
class VUnknownPointer {
public:
    VUnknownPointer() = default;
    explicit VUnknownPointer(I* adopted) noexcept : m_p(adopted) {}
    static VUnknownPointer Retain(I* p) noexcept
    {
        if (p)
            p->AddRef();
        return VUnknownPointer(p);
    }
    VUnknownPointer(const VUnknownPointer& o) noexcept : m_p(o.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    VUnknownPointer(VUnknownPointer&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    VUnknownPointer& operator=(VUnknownPointer o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~VUnknownPointer() { Reset(); }

    void Reset() noexcept
    {
        if (I* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    I* Detach() noexcept { return std::exchange(m_p, nullptr); }
    I* Get() const noexcept { return m_p; }
    I* operator->() const noexcept { return m_p; }
    I& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

private:
    I* m_p = nullptr;
};
