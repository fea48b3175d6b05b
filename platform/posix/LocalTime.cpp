// Clock services with an injectable local time.
#include "platform/LocalTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/posix/Internal.h"

namespace {

struct Clock {
    std::mutex mutex;
    std::optional<SYSTEMTIME> localOverride;
};

Clock& TheClock() {
    static Clock c;
    return c;
}

std::optional<SYSTEMTIME> Override() {
    auto& c = TheClock();
    std::lock_guard lock(c.mutex);
    return c.localOverride;
}

// 1601-01-01 to 1970-01-01 in 100 ns units.
constexpr std::uint64_t kEpochDelta = 116444736000000000ull;

WORD DayOfWeek(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    const std::time_t t = ::timegm(&tm);
    std::tm out{};
    ::gmtime_r(&t, &out);
    return static_cast<WORD>(out.tm_wday);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* lpSystemTime) {
    if (lpSystemTime == nullptr) return;
    if (auto o = Override()) {
        *lpSystemTime = *o;
        return;
    }
    struct timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    ::localtime_r(&ts.tv_sec, &tm);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(tm.tm_year + 1900);
    st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st.wDay = static_cast<WORD>(tm.tm_mday);
    st.wHour = static_cast<WORD>(tm.tm_hour);
    st.wMinute = static_cast<WORD>(tm.tm_min);
    st.wSecond = static_cast<WORD>(tm.tm_sec);
    st.wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
    *lpSystemTime = st;
}

void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    if (lpSystemTime == nullptr) return;
    if (auto o = Override()) {
        std::tm tm{};
        tm.tm_year = o->wYear - 1900;
        tm.tm_mon = o->wMonth - 1;
        tm.tm_mday = o->wDay;
        tm.tm_hour = o->wHour;
        tm.tm_min = o->wMinute;
        tm.tm_sec = o->wSecond;
        tm.tm_isdst = -1;
        const std::time_t t = ::mktime(&tm);
        *lpSystemTime = plat::detail::ToSystemTimeUtc(t, static_cast<long>(o->wMilliseconds) * 1000000L);
        return;
    }
    struct timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    *lpSystemTime = plat::detail::ToSystemTimeUtc(ts.tv_sec, ts.tv_nsec);
}

ULONGLONG GetTickCount64() {
    struct timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000ull + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000ull;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
    if (st == nullptr || ft == nullptr || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 ||
        st->wMonth > 12 || st->wDay < 1 || st->wDay > 31 || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999)
        return FALSE;
    const std::int64_t secs = plat::detail::FromSystemTimeUtc(*st);
    const std::uint64_t v = static_cast<std::uint64_t>(secs * 10000000LL + static_cast<std::int64_t>(kEpochDelta)) +
                            static_cast<std::uint64_t>(st->wMilliseconds) * 10000ull;
    ft->dwLowDateTime = static_cast<DWORD>(v);
    ft->dwHighDateTime = static_cast<DWORD>(v >> 32);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
    if (ft == nullptr || st == nullptr) return FALSE;
    const std::uint64_t v = (static_cast<std::uint64_t>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
    if (v >= 0x8000000000000000ull) return FALSE;
    const std::int64_t rel = static_cast<std::int64_t>(v) - static_cast<std::int64_t>(kEpochDelta);
    std::int64_t secs = rel / 10000000LL;
    std::int64_t rem = rel % 10000000LL;
    if (rem < 0) {
        rem += 10000000LL;
        --secs;
    }
    *st = plat::detail::ToSystemTimeUtc(secs, static_cast<long>(rem * 100));
    return TRUE;
}

namespace plat {

void SetLocalTimeOverride(std::optional<SYSTEMTIME> localTime) {
    if (localTime) localTime->wDayOfWeek = DayOfWeek(localTime->wYear, localTime->wMonth, localTime->wDay);
    auto& c = TheClock();
    std::lock_guard lock(c.mutex);
    c.localOverride = localTime;
}

std::optional<SYSTEMTIME> ParseTime(const char* text) {
    if (text == nullptr) return std::nullopt;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char sep = 0;
    int consumed = 0;
    if (std::sscanf(text, "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s, &consumed) != 7 ||
        (sep != ' ' && sep != 'T'))
        return std::nullopt;
    const char* rest = text + consumed;
    if (*rest == '.') {
        int n = 0;
        if (std::sscanf(rest + 1, "%3d%n", &ms, &n) != 1) return std::nullopt;
        for (int k = n; k < 3; ++k) ms *= 10;
        rest += 1 + n;
    }
    if (*rest != 0) return std::nullopt;
    if (y < 1601 || y > 30827 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(ms);
    st.wDayOfWeek = DayOfWeek(y, mo, d);
    return st;
}

}  // namespace plat
