#include "oemuni/text/TextConversion.h"

#include <algorithm>

#include "platform/CodePage.h"

DWORD ConvertWideToMultiByte(const char16_t* wide, std::span<BYTE> out, UINT codePage) {
    std::fill(out.begin(), out.end(), BYTE{0});
    if (wide == nullptr || out.empty()) return 0;
    const int needed = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || static_cast<std::size_t>(needed) > out.size()) return 0;
    const int written = WideCharToMultiByte(codePage, 0, wide, -1, reinterpret_cast<char*>(out.data()),
                                            needed, nullptr, nullptr);
    return written > 0 ? static_cast<DWORD>(written) : 0;
}

DWORD ConvertUtf8ToWide(const char* utf8, std::span<char16_t> out) {
    std::fill(out.begin(), out.end(), char16_t{0});
    if (utf8 == nullptr || out.empty()) return 0;
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (needed <= 0 || static_cast<std::size_t>(needed) > out.size()) return 0;
    const int written = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), needed);
    return written > 0 ? static_cast<DWORD>(written) : 0;
}
