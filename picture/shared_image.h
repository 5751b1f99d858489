#pragma once
// Image records shared by copies of a picture. A record counts its references; the last one to
// go frees the record's platform objects and the record. SharedRef is the one handle type that
// counts: copying it takes a reference, destroying or reassigning it drops one.

#include <atomic>
#include <cstdint>
#include <utility>

class TSharedImage {
public:
    TSharedImage() = default;
    TSharedImage(const TSharedImage&) = delete;
    TSharedImage& operator=(const TSharedImage&) = delete;

    std::int32_t refCount() const { return m_refCount.load(std::memory_order_acquire); }

    void Reference() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // The last reference frees the platform objects, then the record itself.
    void Release()
    {
        if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            FreeHandles();
            delete this;
        }
    }

protected:
    virtual ~TSharedImage() = default;
    // Frees the record's platform objects (sections, palettes, metafile handles).
    virtual void FreeHandles() = 0;

private:
    std::atomic<std::int32_t> m_refCount{0};
};

template <class T>
class SharedRef {
public:
    SharedRef() = default;
    // Takes a reference to a record (a new record starts with none).
    explicit SharedRef(T* image) : m_image(image)
    {
        if (m_image)
            m_image->Reference();
    }
    SharedRef(const SharedRef& other) : SharedRef(other.m_image) {}
    SharedRef(SharedRef&& other) noexcept : m_image(std::exchange(other.m_image, nullptr)) {}
    SharedRef& operator=(SharedRef other) noexcept
    {
        std::swap(m_image, other.m_image);
        return *this;
    }
    ~SharedRef()
    {
        if (m_image)
            m_image->Release();
    }

    T* get() const { return m_image; }
    T* operator->() const { return m_image; }
    T& operator*() const { return *m_image; }
    explicit operator bool() const { return m_image != nullptr; }

private:
    T* m_image = nullptr;
};
