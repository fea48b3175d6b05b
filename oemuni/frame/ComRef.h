// Holds one reference of a COM-shaped interface and releases it when dropped.
#pragma once

#include <utility>

template <typename T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For QueryInterface(..., ref.put()): drops the old reference first.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&m_p);
    }
    void reset() {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }

private:
    T* m_p = nullptr;
};
