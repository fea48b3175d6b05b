#include "installer/crash/ReportBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

ReportBuffer::ReportBuffer(std::function<void(const void*, size_t)> sink) : m_sink(std::move(sink)) {
    m_pending.reserve(kCapacity);
}

ReportBuffer::~ReportBuffer() { Flush(); }

namespace {

// Decodes UTF-8; malformed bytes become U+FFFD so that a strange path never stops the report.
void AppendUtf8AsUtf16(std::string_view in, std::u16string& out) {
    size_t i = 0;
    while (i < in.size()) {
        const auto c = static_cast<unsigned char>(in[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 0x6 && i + 1 < in.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(in[i + 1]) & 0x3Fu);
            len = 2;
        } else if ((c >> 4) == 0xE && i + 2 < in.size()) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(in[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(in[i + 2]) & 0x3Fu);
            len = 3;
        } else if ((c >> 3) == 0x1E && i + 3 < in.size()) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(in[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(in[i + 2]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(in[i + 3]) & 0x3Fu);
            len = 4;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
}

}  // namespace

void ReportBuffer::Add(std::string_view utf8) {
    if (m_pending.size() > kFlushThreshold) Flush();
    AppendUtf8AsUtf16(utf8, m_pending);
}

void ReportBuffer::Printf(const char* format, ...) {
    char piece[1025];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(piece, sizeof(piece), format, args);
    va_end(args);
    if (n < 0) return;
    Add(std::string_view(piece, std::min<size_t>(static_cast<size_t>(n), sizeof(piece) - 1)));
}

void ReportBuffer::Flush() {
    if (m_pending.empty()) return;
    std::vector<unsigned char> bytes;
    bytes.reserve(m_pending.size() * 2);
    for (char16_t ch : m_pending) {
        bytes.push_back(static_cast<unsigned char>(ch & 0xFF));
        bytes.push_back(static_cast<unsigned char>(ch >> 8));
    }
    if (m_sink) m_sink(bytes.data(), bytes.size());
    m_pending.clear();
}
