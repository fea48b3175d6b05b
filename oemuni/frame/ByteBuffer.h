// A growable, zero-filled byte block owned by the record that holds it, with a 32-bit count.
// Growth is amortised (capacity doubles) but every byte a caller sees is the same as with an
// exact-size reallocation; on an allocation failure the whole buffer is released, as callers
// expect from bGrowBuffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "platform/Win32Types.h"

class ByteBuffer {
public:
    ByteBuffer() = default;

    BYTE* data() { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    const BYTE* data() const { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    DWORD size() const { return static_cast<DWORD>(m_bytes.size()); }
    bool empty() const { return m_bytes.empty(); }
    std::span<BYTE> span() { return {m_bytes.data(), m_bytes.size()}; }
    std::span<const BYTE> span() const { return {m_bytes.data(), m_bytes.size()}; }
    BYTE& operator[](size_t i) { return m_bytes[i]; }
    const BYTE& operator[](size_t i) const { return m_bytes[i]; }

    // Adds `count` zero bytes at the end. On failure the buffer is released and FALSE returned.
    bool grow(DWORD count) {
        try {
            m_bytes.resize(m_bytes.size() + count, 0);
            return true;
        } catch (const std::bad_alloc&) {
            release();
            return false;
        } catch (const std::length_error&) {
            release();
            return false;
        }
    }

    // Appends bytes. On failure the buffer is left unchanged and FALSE returned.
    bool append(const void* bytes, DWORD count) {
        if (count == 0) return true;
        try {
            const auto* p = static_cast<const BYTE*>(bytes);
            m_bytes.insert(m_bytes.end(), p, p + count);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const std::length_error&) {
            return false;
        }
    }
    bool append(std::span<const BYTE> bytes) { return append(bytes.data(), static_cast<DWORD>(bytes.size())); }

    // Replaces the content by `count` zero bytes (a fresh zero-filled allocation).
    bool assignZero(DWORD count) {
        release();
        return grow(count);
    }

    // Frees the block; the count becomes 0.
    void release() { std::vector<BYTE>().swap(m_bytes); }

    // Keeps the block but sets the count to 0 (for buffers refilled page after page).
    void clear() { m_bytes.clear(); }

private:
    std::vector<BYTE> m_bytes;
};

// The shared growth primitive: grows `buffer` by `count` zero bytes; FALSE (buffer released)
// when the memory cannot be obtained.
inline BOOL bGrowBuffer(ByteBuffer& buffer, DWORD count) { return buffer.grow(count) ? TRUE : FALSE; }
