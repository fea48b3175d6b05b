// CxImage life cycle: creation, decoding of a captured page bitmap, hand-over and release.
#include "oemuni/imaging/image/CxImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

void PutLe16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutLe32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

// The largest block this container agrees to hold; beyond it a request is treated as an
// allocation failure instead of overflowing the 32-bit header fields.
constexpr std::uint64_t kMaxBlockBytes = 0x7FFFFFFFull;

LONG PelsPerMeterFromDpi(LONG dpi) {
    return static_cast<LONG>(std::floor(dpi * 10000.0 / 254.0 + 0.5));
}

}  // namespace

CxImage::CxImage() = default;

CxImage::~CxImage() = default;

void CxImage::SetLastErrorText(const char* text) {
    m_szLastError.assign(text, std::min(std::strlen(text), CXIMAGE_MAX_ERROR - 1));
}

void CxImage::WriteHeaderToBlock() {
    if (m_block.size() < CXIMAGE_HEADER_SIZE) return;
    BYTE* p = m_block.data();
    PutLe32(p + 0, m_head.biSize);
    PutLe32(p + 4, static_cast<DWORD>(m_head.biWidth));
    PutLe32(p + 8, static_cast<DWORD>(m_head.biHeight));
    PutLe16(p + 12, m_head.biPlanes);
    PutLe16(p + 14, m_head.biBitCount);
    PutLe32(p + 16, m_head.biCompression);
    PutLe32(p + 20, m_head.biSizeImage);
    PutLe32(p + 24, static_cast<DWORD>(m_head.biXPelsPerMeter));
    PutLe32(p + 28, static_cast<DWORD>(m_head.biYPelsPerMeter));
    PutLe32(p + 32, m_head.biClrUsed);
    PutLe32(p + 36, m_head.biClrImportant);
}

BYTE* CxImage::Create(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype) {
    if (dwWidth == 0 || dwHeight == 0) {
        SetLastErrorText("CxImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    WORD bpp;
    DWORD entries;
    if (wBpp <= 1) {
        bpp = 1;
        entries = 2;
    } else if (wBpp <= 4) {
        bpp = 4;
        entries = 16;
    } else if (wBpp <= 8) {
        bpp = 8;
        entries = 256;
    } else {
        bpp = 24;
        entries = 0;
    }
    const std::uint64_t stride = ((static_cast<std::uint64_t>(dwWidth) * bpp + 31) / 32) * 4;
    const std::uint64_t total = CXIMAGE_HEADER_SIZE + 4ull * entries + stride * dwHeight;
    if (dwWidth > 0x7FFFFFFFu || dwHeight > 0x7FFFFFFFu || total > kMaxBlockBytes) {
        SetLastErrorText("CxImage::Create can't allocate memory");
        return nullptr;
    }
    std::vector<BYTE> block;
    try {
        block.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        SetLastErrorText("CxImage::Create can't allocate memory");
        return nullptr;
    }
    m_block = std::move(block);
    m_head = BITMAPINFOHEADER{};
    m_head.biSize = CXIMAGE_HEADER_SIZE;
    m_head.biWidth = static_cast<LONG>(dwWidth);
    m_head.biHeight = static_cast<LONG>(dwHeight);
    m_head.biPlanes = 1;
    m_head.biBitCount = bpp;
    m_head.biCompression = 0;
    m_head.biSizeImage = static_cast<DWORD>(stride * dwHeight);
    m_head.biXPelsPerMeter = PelsPerMeterFromDpi(m_nXDpi);
    m_head.biYPelsPerMeter = PelsPerMeterFromDpi(m_nYDpi);
    m_head.biClrUsed = entries;
    m_head.biClrImportant = 0;
    m_dwStride = static_cast<DWORD>(stride);
    m_dwType = imagetype;
    InvalidateMemo();
    WriteHeaderToBlock();
    return m_block.data();
}

BOOL CxImage::Decode(const BITMAPINFOHEADER& header, std::span<const BYTE> bits,
                     std::span<const BYTE> palette) {
    const DWORD width = static_cast<DWORD>(header.biWidth);
    const std::int64_t signedHeight = header.biHeight;
    const DWORD height = static_cast<DWORD>(signedHeight < 0 ? -signedHeight : signedHeight);
    if (header.biWidth < 0) {
        SetLastErrorText("CxImage::Create : width and height must be greater than zero");
        return FALSE;
    }
    CxImage decoded = MakeTemporary();
    if (decoded.Create(width, height, header.biBitCount, CXIMAGE_FORMAT_BMP) == nullptr) {
        SetLastErrorText(decoded.GetLastError());
        return FALSE;
    }

    // The pixel bytes the header counts must all be there: a page bitmap that lost bands
    // (a failed growth) must not be read past its end.
    const bool bCopyPixels =
        (header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8 ||
         header.biBitCount == 16 || header.biBitCount == 24) &&
        header.biCompression == 0;
    std::uint64_t n = 0;
    if (bCopyPixels) {
        n = header.biSizeImage != 0
                ? header.biSizeImage
                : static_cast<std::uint64_t>(decoded.GetStride()) * height;
        if (n > bits.size()) {
            SetLastErrorText("CxImage::Decode : fewer pixel bytes than the header counts");
            return FALSE;
        }
    }

    LONG xDpi = static_cast<LONG>(std::floor(header.biXPelsPerMeter * 254.0 / 10000.0 + 0.5));
    LONG yDpi = static_cast<LONG>(std::floor(header.biYPelsPerMeter * 254.0 / 10000.0 + 0.5));
    decoded.SetXDPI(xDpi < 1 ? 96 : xDpi);
    decoded.SetYDPI(yDpi < 1 ? 96 : yDpi);

    auto pal = decoded.GetPalette();
    if (!pal.empty() && !palette.empty()) {
        const std::size_t count = std::min(palette.size(), pal.size() * sizeof(RGBQUAD));
        std::memcpy(pal.data(), palette.data(), count);
        for (auto& entry : pal) entry.rgbReserved = 0;
    }

    if (bCopyPixels) {
        const std::size_t room = static_cast<std::size_t>(decoded.m_head.biSizeImage);
        std::memcpy(decoded.GetBits(0), bits.data(),
                    static_cast<std::size_t>(std::min<std::uint64_t>(n, room)));
    }
    TakeOver(decoded);
    return TRUE;
}

BOOL CxImage::Destroy() {
    std::vector<BYTE>().swap(m_block);
    m_head = BITMAPINFOHEADER{};
    m_dwStride = 0;
    InvalidateMemo();
    return TRUE;
}

BOOL CxImage::TakeOver(CxImage& other) {
    if (&other == this) return TRUE;
    m_block = std::move(other.m_block);
    m_head = other.m_head;
    m_dwStride = other.m_dwStride;
    m_dwType = other.m_dwType;
    m_nXDpi = other.m_nXDpi;
    m_nYDpi = other.m_nYDpi;
    m_nBkgndIndex = other.m_nBkgndIndex;
    m_bkgndColor = other.m_bkgndColor;
    InvalidateMemo();
    other.Destroy();
    return TRUE;
}

CxImage CxImage::MakeTemporary() const {
    CxImage tmp;
    tmp.m_nXDpi = m_nXDpi;
    tmp.m_nYDpi = m_nYDpi;
    return tmp;
}

void CxImage::SetClrImportant(DWORD ncolors) {
    if (!IsValid()) return;
    m_head.biClrImportant = std::min(ncolors, m_head.biClrUsed);
    InvalidateMemo();
    WriteHeaderToBlock();
}

void CxImage::SetXDPI(LONG dpi) {
    if (dpi <= 0) dpi = 96;
    m_nXDpi = dpi;
    m_head.biXPelsPerMeter = PelsPerMeterFromDpi(dpi);
    WriteHeaderToBlock();
}

void CxImage::SetYDPI(LONG dpi) {
    if (dpi <= 0) dpi = 96;
    m_nYDpi = dpi;
    m_head.biYPelsPerMeter = PelsPerMeterFromDpi(dpi);
    WriteHeaderToBlock();
}

std::span<RGBQUAD> CxImage::GetPalette() {
    if (!IsValid() || m_head.biClrUsed == 0) return {};
    // The block keeps RGBQUADs at a 4-byte-aligned offset (40) of a byte vector whose
    // storage comes from operator new, so the entries are suitably aligned.
    return {reinterpret_cast<RGBQUAD*>(m_block.data() + CXIMAGE_HEADER_SIZE), m_head.biClrUsed};
}

std::span<const RGBQUAD> CxImage::GetPalette() const {
    if (!IsValid() || m_head.biClrUsed == 0) return {};
    return {reinterpret_cast<const RGBQUAD*>(m_block.data() + CXIMAGE_HEADER_SIZE),
            m_head.biClrUsed};
}
