// GetTextKeyImgBufFromFile and AddTextKeyImgBufAndDevFontData: resident-font text split at the
// keys that have a replacement image, each piece and each image recorded on its own.
#include "oemuni/text/TextKeyImages.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/text/DevFontCommands.h"
#include "oemuni/text/FontHeight.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextConversion.h"
#include "oemuni/text/TextKeyRecords.h"
#include "oemuni/text/TextKeys.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/LastError.h"

namespace {

constexpr size_t kMaxImagePathChars = 255;
constexpr size_t kMaxImageNameUnits = 256;  // 255 characters and the terminator
constexpr DWORD kSegmentSpareBytes = 128;   // room for the line end behind a text piece

// An image name may name a file below the product folder, never one outside it.
bool IsNameInsideProductFolder(std::u16string_view name) {
    if (name.find(u':') != std::u16string_view::npos) return false;
    if (!name.empty() && (name.front() == u'\\' || name.front() == u'/')) return false;
    size_t pos = 0;
    while (pos <= name.size()) {
        size_t next = name.find_first_of(u"\\/", pos);
        if (next == std::u16string_view::npos) next = name.size();
        if (name.substr(pos, next - pos) == u"..") return false;
        pos = next + 1;
    }
    return true;
}

struct ImageKey {
    std::vector<BYTE> key;    // TEXT_KEY bytes
    std::vector<BYTE> image;  // REPLACE_IMAGE name, terminated
};

// The keys with a usable key and replacement image, in index order.
std::vector<ImageKey> ReadImageKeys(PDEVOBJ pdevobj, DWORD count) {
    std::vector<ImageKey> keys;
    for (DWORD i = 0; i < count; ++i) {
        const auto record = ReadTextKeyRecord(pdevobj, i, CP_UTF8);
        if (!record) {
            DebugLogA("AddTextKeyImgBufAndDevFontData : GetPrinterDataFromReg returned NULL. (TextKey%02u)",
                      static_cast<unsigned>(i));
            continue;
        }
        DWORD keyLength = 0;
        DWORD imageLength = 0;
        const auto key = GetTokenFromTextKeyData(*record, keyLength, TEXT_KEY);
        const auto image = GetTokenFromTextKeyData(*record, imageLength, REPLACE_IMAGE);
        if (!IsUsableToken(key, keyLength)) {
            DebugLogA("AddTextKeyImgBufAndDevFontData : szTextKey is NULL or dwTextKeyLength is ZERO");
            continue;
        }
        if (!IsUsableToken(image, imageLength)) {
            DebugLogA("AddTextKeyImgBufAndDevFontData : szReplaceImgName is NULL or dwReplaceImgNameLength is ZERO");
            continue;
        }
        keys.push_back({std::vector<BYTE>(key->begin(), key->begin() + keyLength), *image});
    }
    return keys;
}

// Records text[p, k) as a resident-font piece with its own command and line end. Returns the
// command length when the record was appended, else 0.
DWORD AddTextSegment(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, const char* familyName,
                     std::span<const BYTE> segment, LONG X, DWORD height) {
    std::vector<BYTE> text(segment.size() + kSegmentSpareBytes, 0);
    std::copy(segment.begin(), segment.end(), text.begin());
    DWORD length = static_cast<DWORD>(segment.size());
    std::vector<BYTE> command;
    const DWORD commandLength = GetDevFontCommand(command, familyName, text, length, X, pfo);
    if (commandLength == 0 || command.empty() || length > text.size()) return 0;
    if (AddFontDataToBuf(pso, pstro, pfo, FTYPE_DEVICE_FONT, height, command,
                         std::span<const BYTE>(text.data(), length)) == 0) {
        return 0;
    }
    return static_cast<DWORD>(command.size());
}

}  // namespace

DWORD GetTextKeyImgBufFromFile(PDEVOBJ /*pdevobj*/, std::span<const BYTE> name, std::vector<BYTE>& buffer) {
    buffer.clear();
    // The name ends at its first zero byte (or the end of the span).
    const BYTE* terminator = static_cast<const BYTE*>(std::memchr(name.data(), 0, name.size()));
    const size_t nameLength = terminator != nullptr ? static_cast<size_t>(terminator - name.data()) : name.size();
    const std::string utf8(reinterpret_cast<const char*>(name.data()), nameLength);

    std::array<char16_t, kMaxImageNameUnits> wide{};
    ConvertUtf8ToWide(utf8.c_str(), wide);  // a name too long for the buffer stays empty
    const std::u16string_view wideName(wide.data());
    DebugLogA("GetTextKeyImgBufFromFile : pbyImageName : %s", utf8.c_str());

    const std::u16string folder = GetProductFolder();
    const std::u16string path = folder + u"\\" + std::u16string(wideName) + u".bin";
    if (folder.empty() || path.size() > kMaxImagePathChars || !IsNameInsideProductFolder(wideName)) {
        DebugLogA("GetTextKeyImgBufFromFile : the image path is too long or leaves the product folder.");
        return 0;
    }

    FileHandle file = plat::OpenForRead(path);
    if (!file) {
        DebugLogA("GetTextKeyImgBufFromFile : CreateFile returned NULL. (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(file.get(), &sizeHigh);
    if (size == INVALID_FILE_SIZE || sizeHigh != 0) {
        DebugLogA("GetTextKeyImgBufFromFile : SetFilePointer failed. (%d)", static_cast<int>(GetLastError()));
        DebugLogA("GetTextKeyImgBufFromFile : INVALID_FILE_SIZE || INVALID_SET_FILE_POINTER");
        return 0;
    }
    try {
        buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        DebugLogA("GetTextKeyImgBufFromFile : Failed to allocate the buffer.");
        buffer.clear();
        return 0;
    }
    DWORD total = 0;
    while (total < size) {
        DWORD chunk = 0;
        if (!ReadFile(file.get(), buffer.data() + total, size - total, &chunk, nullptr) || chunk == 0) break;
        total += chunk;
    }
    buffer.resize(total);
    DebugLogA("GetTextKeyImgBufFromFile : READ-SIZE : %d", static_cast<int>(total));
    return total;
}

DWORD AddTextKeyImgBufAndDevFontData(PDEVOBJ pdevobj, SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo,
                                     const char* familyName, std::span<const BYTE> szAnsiText, LONG X) {
    if (szAnsiText.data() == nullptr) {
        DebugLogA("szAnsiText is NULL.");
        return 0;
    }
    const auto count = ReadNumTextKey(pdevobj);
    if (!count) {
        DebugLogA("AddTextKeyImgBufAndDevFontData : GetPrinterDataFromReg returned NULL. (NumTextKey)");
        return 0;
    }
    std::vector<ImageKey> keys;
    try {
        keys = ReadImageKeys(pdevobj, *count);
    } catch (const std::bad_alloc&) {
        DebugLogA("AddTextKeyImgBufAndDevFontData : failed to allocate the buffer.");
        return 0;
    }

    const DWORD height = GetFontHeight(pfo);
    const size_t length = szAnsiText.size();
    DWORD dwResult = 0;
    bool keyRemoved = false;
    constexpr size_t kNowhere = static_cast<size_t>(-1);  // no occurrence from here on
    constexpr size_t kUnknown = static_cast<size_t>(-2);  // not searched yet
    std::vector<size_t> nextAt(keys.size(), kUnknown);
    size_t p = 0;
    while (p < length) {
        // The first key in index order that occurs from p on, at its first occurrence; a key
        // with a higher index occurring earlier does not take precedence.
        // Each key's next occurrence is remembered while it lies ahead of p, so that a long
        // string with many pieces is not searched again for every piece.
        const ImageKey* found = nullptr;
        size_t k = length;
        for (size_t j = 0; j < keys.size(); ++j) {
            if (nextAt[j] == kUnknown || (nextAt[j] != kNowhere && nextAt[j] < p)) {
                const auto it = std::search(szAnsiText.begin() + p, szAnsiText.end(), keys[j].key.begin(),
                                            keys[j].key.end());
                nextAt[j] = it != szAnsiText.end() ? static_cast<size_t>(it - szAnsiText.begin()) : kNowhere;
            }
            if (nextAt[j] != kNowhere) {
                found = &keys[j];
                k = nextAt[j];
                break;
            }
        }
        if (k > p) {
            dwResult += AddTextSegment(pso, pstro, pfo, familyName, szAnsiText.subspan(p, k - p), X, height);
        }
        if (found == nullptr) break;

        std::vector<BYTE> image;
        if (GetTextKeyImgBufFromFile(pdevobj, found->image, image) != 0 &&
            AddFontDataToBuf(pso, pstro, pfo, FTYPE_DEVICE_FONT, height, image, {}) != 0) {
            dwResult += static_cast<DWORD>(image.size());
        }
        keyRemoved = true;  // the key text is never printed, image or not
        p = k + found->key.size();
    }
    // Keys whose images are all missing leave nothing recorded; the key text must still not be
    // printed, so the caller is told that the string was handled.
    if (dwResult == 0 && keyRemoved) dwResult = 1;
    DebugLogA("AddTextKeyImgBufAndDevFontData END");
    return dwResult;
}
