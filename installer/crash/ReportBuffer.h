// The crash report's output buffer: UTF-16 text collected in memory and written out in
// pieces, so that a long stack dump never needs one large allocation inside a crash.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Win32Types.h"

class ReportBuffer {
public:
    static constexpr size_t kCapacity = 8500;      // characters held at most (about)
    static constexpr size_t kFlushThreshold = 7168; // write out before adding when more wait

    // `sink` receives the bytes to write (UTF-16LE, two bytes a character).
    explicit ReportBuffer(std::function<void(const void*, size_t)> sink);
    ~ReportBuffer();
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

    // Adds UTF-8 text (converted to UTF-16).
    void Add(std::string_view utf8);
    // printf-style piece; at most 1024 characters are formatted.
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Writes whatever waits.
    void Flush();

private:
    std::function<void(const void*, size_t)> m_sink;
    std::u16string m_pending;
};
