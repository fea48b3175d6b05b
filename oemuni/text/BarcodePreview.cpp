// AddBarCodePreviewData: the preview block (a header and the barcode's preview image from
// "PreviewBin") appended to a barcode record's data for the preview program.
#include <cstring>
#include <string>
#include <vector>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/ProductPaths.h"
#include "oemuni/text/BarcodeCommands.h"
#include "oemuni/text/BarcodeSettings.h"
#include "platform/Files.h"
#include "platform/LastError.h"

namespace {

constexpr DWORD kPreviewHeaderSize = 14;
// The block length (file size + 14) is stored in 16 bits.
constexpr DWORD kMaxPreviewBlock = 0xFFFF;

// The preview image of a barcode type, or nullptr when its kind has none.
const char16_t* PreviewFileName(PDEVOBJ pdevobj, const char* familyName, DWORD type) {
    if (type >= BARTYPE_1D_FIRST && type <= BARTYPE_1D_LAST) return u"1D_CODE.bin";
    Code2dInfo record = BUILTIN_2D_CODE_INFO;
    DebugLogA("Get1d2dCodeSetting : START");
    DebugLogA("Get1d2dCodeSetting : BARCODE TYEPE = %d", static_cast<int>(type));
    Get1d2dCodeSetting(GetOemPDEV(pdevobj), familyName, type, nullptr, &record);
    switch (record[0]) {
        case CODE2D_PDF417: return u"2D_PDF417.bin";
        case CODE2D_QRCODE: return u"2D_QRCODE.bin";
        case CODE2D_DATAMATRIX: return u"2D_DATAMATRIX.bin";
        case CODE2D_MAXICODE: return u"2D_MAXICODE.bin";
        case CODE2D_GS1_DATABAR: return u"2D_GS1DATABAR.bin";
        case CODE2D_AZTEC: return u"2D_AZTEC.bin";
        default: return nullptr;
    }
}

}  // namespace

BOOL AddBarCodePreviewData(PDEVOBJ pdevobj, const char* familyName, std::vector<BYTE>& data,
                           DWORD& length, DWORD type) {
    DebugLogA("AddBarCodePreviewData : START");
    if (pdevobj == nullptr || length > data.size()) {
        DebugLogA("AddBarCodePreviewData : END");
        return 0;
    }
    const std::u16string folder = GetProductFolder();
    if (folder.empty()) {
        DebugLogA("AddBarCodePreviewData : GetWindowsDirectory failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    const char16_t* fileName = PreviewFileName(pdevobj, familyName, type);
    if (fileName == nullptr) {
        DebugLogA("AddBarCodePreviewData : END");
        return 0;
    }
    const std::u16string path = folder + u"\\PreviewBin\\" + fileName;

    FileHandle file = plat::OpenForRead(path);
    if (!file) {
        DebugLogA("AddBarCodePreviewData : CreateFile returned NULL. (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    DWORD sizeHigh = 0;
    const DWORD fileSize = GetFileSize(file.get(), &sizeHigh);
    if (fileSize == INVALID_FILE_SIZE || sizeHigh != 0) {
        DebugLogA("AddBarCodePreviewData : SetFilePointer failed with (%d)", static_cast<int>(GetLastError()));
        return 0;
    }
    DebugLogA("AddBarCodePreviewData : FILE-SIZE : %d", static_cast<int>(fileSize));
    if (fileSize > kMaxPreviewBlock - kPreviewHeaderSize) {
        DebugLogA("AddBarCodePreviewData : the preview image (%u bytes) does not fit a preview block.", fileSize);
        return 0;
    }

    std::vector<BYTE> block;
    try {
        block.assign(kPreviewHeaderSize + fileSize, 0);
    } catch (const std::bad_alloc&) {
        DebugLogA("AddBarCodePreviewData : failed to allocate the buffer.");
        return 0;
    }
    const DWORD blockLength = fileSize + kPreviewHeaderSize;
    const BYTE header[kPreviewHeaderSize] = {0x00, 0x00, 0x00, 0x1B, 0x40,
                                             static_cast<BYTE>(blockLength & 0xFF), static_cast<BYTE>(blockLength >> 8),
                                             'V', 'A', 'R', 'N', 'O', 'K', 'E'};
    std::memcpy(block.data(), header, kPreviewHeaderSize);
    DWORD bytesRead = 0;
    while (bytesRead < fileSize) {
        DWORD chunk = 0;
        if (!ReadFile(file.get(), block.data() + kPreviewHeaderSize + bytesRead, fileSize - bytesRead, &chunk,
                      nullptr)) {
            DebugLogA("AddBarCodePreviewData : ReadFile failed with (%d)", static_cast<int>(GetLastError()));
            return 0;
        }
        if (chunk == 0) break;
        bytesRead += chunk;
    }
    DebugLogA("AddBarCodePreviewData : READ-SIZE : %d", static_cast<int>(bytesRead));
    if (bytesRead != fileSize) {
        // The header announces the whole file: a short read would leave it lying.
        DebugLogA("AddBarCodePreviewData : the file was read short.");
        return 0;
    }

    try {
        data.resize(length);
        data.insert(data.end(), block.begin(), block.end());
    } catch (const std::bad_alloc&) {
        DebugLogA("AddBarCodePreviewData : failed to allocate the buffer.");
        return 0;
    }
    length += bytesRead + kPreviewHeaderSize;
    DebugLogA("AddBarCodePreviewData : END");
    return 1;
}
