// Read access to one font record in a record buffer: the 21-byte header (type, height, X, Y,
// the lengths A and B) and the two fields that follow it. All 16-bit values little-endian.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "oemuni/text/FontRecords.h"
#include "platform/Win32Types.h"

inline WORD ReadLe16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline void WriteLe16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v & 0xFF);
    p[1] = static_cast<BYTE>(v >> 8);
}

struct FontRecordView {
    const BYTE* record = nullptr;  // start of the header

    BYTE Type() const { return record[0]; }
    WORD Height() const { return ReadLe16(record + 1); }
    WORD PosX() const { return ReadLe16(record + 13); }
    WORD PosY() const { return ReadLe16(record + 15); }
    WORD LengthA() const { return ReadLe16(record + 17); }
    WORD LengthB() const { return ReadLe16(record + 19); }
    DWORD Length() const { return FONT_RECORD_HEADER_SIZE + LengthA() + LengthB(); }
    // Fields A and B, back to back.
    std::span<const BYTE> Fields() const {
        return {record + FONT_RECORD_HEADER_SIZE, static_cast<size_t>(LengthA()) + LengthB()};
    }
};

// The record at `offset`, or nothing when its header or its fields would reach past the end
// of the buffer (a damaged buffer is never walked into).
inline std::optional<FontRecordView> RecordAt(std::span<const BYTE> buffer, DWORD offset) {
    if (offset > buffer.size() || buffer.size() - offset < FONT_RECORD_HEADER_SIZE) return std::nullopt;
    FontRecordView view{buffer.data() + offset};
    if (buffer.size() - offset < view.Length()) return std::nullopt;
    return view;
}
