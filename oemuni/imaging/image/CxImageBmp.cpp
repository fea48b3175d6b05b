// CxImage as a BMP file: the 14-byte file header, then the image block as it is held.
#include <array>

#include "oemuni/imaging/image/CxImage.h"

BOOL CxImage::WriteBmp(ImageStream* stream) {
    if (stream == nullptr) {
        SetLastErrorText("null file handler");
        return FALSE;
    }
    if (!IsValid()) {
        SetLastErrorText("null image!!!");
        return FALSE;
    }
    const DWORD offBits = 14 + CXIMAGE_HEADER_SIZE + 4 * m_head.biClrUsed;
    const DWORD size = offBits + m_head.biSizeImage;
    const std::array<BYTE, 14> fileHeader = {
        0x42, 0x4D,  // "BM"
        static_cast<BYTE>(size), static_cast<BYTE>(size >> 8), static_cast<BYTE>(size >> 16),
        static_cast<BYTE>(size >> 24),
        0, 0, 0, 0,  // reserved
        static_cast<BYTE>(offBits), static_cast<BYTE>(offBits >> 8), static_cast<BYTE>(offBits >> 16),
        static_cast<BYTE>(offBits >> 24),
    };
    if (stream->Write(fileHeader.data(), fileHeader.size(), 1) != 1) return FALSE;
    if (stream->Write(m_block.data(), m_block.size(), 1) != 1) return FALSE;
    return TRUE;
}
