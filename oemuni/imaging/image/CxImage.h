// CxImage: the in-memory raster image on which a page is composed. One block holds a copy of
// the 40-byte BITMAPINFOHEADER, the palette (blue, green, red, reserved per entry) and the
// pixel rows; row 0 is the first row of the block and, in this driver, the top of the page.
// Every operation replaces the image's content with its result and answers TRUE, or answers
// FALSE and leaves the image as it was.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "oemuni/frame/UnidrvTypes.h"
#include "oemuni/imaging/image/ImageStream.h"
#include "oemuni/imaging/image/RgbQuad.h"
#include "platform/Win32Types.h"

struct TextBitmap;

constexpr DWORD CXIMAGE_FORMAT_BMP = 1;
constexpr DWORD CXIMAGE_HEADER_SIZE = 40;  // bytes of the BITMAPINFOHEADER copy in the block
constexpr std::size_t CXIMAGE_MAX_ERROR = 256;

class CxImage {
public:
    CxImage();
    virtual ~CxImage();
    CxImage(const CxImage&) = default;
    CxImage& operator=(const CxImage&) = default;

    // ---- life cycle (CxImage.cpp) ----
    // Allocates a new image (bpp rounded up to 1, 4, 8 or 24); pixel bytes are zero.
    // Returns the start of the new block, or nullptr with the last error text set.
    BYTE* Create(DWORD dwWidth, DWORD dwHeight, DWORD wBpp, DWORD imagetype);
    // Builds the image from a DIB header, its pixel bytes and its palette bytes. Fails when
    // the header cannot be created or when `bits` holds fewer bytes than the header counts.
    BOOL Decode(const BITMAPINFOHEADER& header, std::span<const BYTE> bits,
                std::span<const BYTE> palette);
    BOOL Destroy();
    // Takes over the other image's block, header and description; the other becomes empty.
    BOOL TakeOver(CxImage& other);

    bool IsValid() const { return !m_block.empty(); }
    DWORD GetWidth() const { return static_cast<DWORD>(m_head.biWidth); }
    DWORD GetHeight() const { return static_cast<DWORD>(m_head.biHeight); }
    WORD GetBpp() const { return m_head.biBitCount; }
    DWORD GetNumColors() const { return m_head.biClrUsed; }
    DWORD GetClrImportant() const { return m_head.biClrImportant; }
    void SetClrImportant(DWORD ncolors);
    DWORD GetStride() const { return m_dwStride; }
    DWORD GetSize() const { return static_cast<DWORD>(m_block.size()); }
    DWORD GetType() const { return m_dwType; }
    LONG GetXDPI() const { return m_nXDpi; }
    LONG GetYDPI() const { return m_nYDpi; }
    void SetXDPI(LONG dpi);
    void SetYDPI(LONG dpi);
    const BITMAPINFOHEADER& GetHeader() const { return m_head; }
    const char* GetLastError() const { return m_szLastError.c_str(); }

    // The whole image block (header copy, palette, rows), as a BMP file carries it.
    std::span<const BYTE> GetBlock() const { return m_block; }
    // Row y of the pixel rows (stride bytes), nullptr when there is no such row.
    BYTE* GetBits(DWORD y = 0) {
        if (m_block.empty() || y >= GetHeight()) return nullptr;
        return Pixels() + static_cast<std::size_t>(y) * m_dwStride;
    }
    const BYTE* GetBits(DWORD y = 0) const {
        if (m_block.empty() || y >= GetHeight()) return nullptr;
        return Pixels() + static_cast<std::size_t>(y) * m_dwStride;
    }
    // Palette entries (empty for 24 bits or an empty image).
    std::span<RGBQUAD> GetPalette();
    std::span<const RGBQUAD> GetPalette() const;

    // ---- pixels and palette (CxImagePixel.cpp) ----
    BYTE GetPixelIndex(LONG x, LONG y) const;
    void SetPixelIndex(LONG x, LONG y, BYTE index);
    RGBQUAD GetPixelColor(LONG x, LONG y, bool bGetAlpha = true) const;
    void SetPixelColor(LONG x, LONG y, RGBQUAD colour);
    BYTE FindNearestPaletteIndex(RGBQUAD colour) const;
    RGBQUAD GetPaletteColor(BYTE index) const;
    void SetPaletteColor(BYTE index, RGBQUAD colour);
    void SetPalette(std::span<const RGBQUAD> entries);
    LONG GetBackgroundIndex() const { return m_nBkgndIndex; }
    void SetBackgroundIndex(LONG index) { m_nBkgndIndex = index; }
    RGBQUAD GetBackgroundColor() const { return m_bkgndColor; }
    void SetBackgroundColor(RGBQUAD colour) { m_bkgndColor = colour; }

    // ---- geometry (CxImageCrop.cpp, CxImageResample.cpp, CxImageRotate.cpp) ----
    BOOL Crop(LONG left, LONG top, LONG right, LONG bottom);
    BOOL AddMargins(LONG left, LONG top, LONG right, LONG bottom, RGBQUAD colour);
    BOOL Resample(LONG newWidth, LONG newHeight, int mode = 1);
    BOOL RotateLeft();
    BOOL RotateRight();
    BOOL Rotate180();
    BOOL ReverseRows();

    // ---- BMP file (CxImageBmp.cpp) ----
    BOOL WriteBmp(ImageStream* stream);

    // ---- tone (CxImageTone.cpp, CxImageDither.cpp) ----
    BOOL GrayScale();
    BOOL HasGreyPalette() const;
    void SetGreyPalette();
    BOOL AdjustBrightness(LONG brightness);
    BOOL ApplyLookupTable(std::span<const BYTE, 256> table);
    // Methods 0 (Floyd-Steinberg, also any number outside 1 to 9), 1 (ordered 4 x 4), 7, 8.
    BOOL Dither(LONG method);
    // Black/white reduction to 1 bit per pixel by the nearest palette colour. Only the
    // 1-bit target without error diffusion is provided; `palette` replaces the standard
    // palette of the result when given.
    BOOL DecreaseBpp(DWORD nbit, BOOL bErrorDiffusion = FALSE,
                     std::span<const RGBQUAD> palette = {}, DWORD clrImportant = 0);
    void SetStandardPalette();

    // ---- text (CxImageText.cpp) ----
    // Draws a captured TrueType string into the image after the page was scaled by `rate`;
    // `font.lfHeight` is scaled in place. Returns the row just below the drawn text.
    LONG DrawString(LONG x, LONG y, std::u16string_view text, LOGFONTW& font, float rate,
                    BYTE rotation);
    // Reads a rendered text bitmap into a 24-bit image, bottom row first.
    BOOL CreateFromPlatformBitmap(const TextBitmap* bitmap);

    // Tables of the ordered dither methods, exposed for tests.
    static const std::array<std::array<BYTE, 4>, 4>& DitherMatrix1();
    static const std::array<std::array<BYTE, 4>, 4>& DitherMatrix7();
    static const std::array<std::array<BYTE, 8>, 8>& DitherMatrix8();

private:
    void SetLastErrorText(const char* text);
    void WriteHeaderToBlock();
    bool IsInside(LONG x, LONG y) const {
        return x >= 0 && y >= 0 && x < m_head.biWidth && y < m_head.biHeight;
    }
    DWORD PaletteBytes() const { return 4u * m_head.biClrUsed; }
    BYTE* Pixels() { return m_block.data() + CXIMAGE_HEADER_SIZE + PaletteBytes(); }
    const BYTE* Pixels() const { return m_block.data() + CXIMAGE_HEADER_SIZE + PaletteBytes(); }
    void InvalidateMemo() const { m_bMemoValid = false; }
    // A fresh image of this one's resolution, for building a result.
    CxImage MakeTemporary() const;
    // For every palette index i: FindNearestPaletteIndex of `source`'s entry i in this image.
    std::array<BYTE, 256> NearestIndexMap(const CxImage& source) const;

    std::vector<BYTE> m_block;
    BITMAPINFOHEADER m_head{};
    DWORD m_dwStride = 0;
    DWORD m_dwType = CXIMAGE_FORMAT_BMP;
    LONG m_nXDpi = 96;
    LONG m_nYDpi = 96;
    LONG m_nBkgndIndex = -1;
    RGBQUAD m_bkgndColor{0, 0, 0, 0};
    mutable bool m_bMemoValid = false;
    mutable RGBQUAD m_memoColour{0, 0, 0, 0};
    mutable BYTE m_memoIndex = 0;
    std::string m_szLastError;
};

// Bytes per row of a DIB: rows are padded to a multiple of 4 bytes.
constexpr DWORD DibStride(DWORD width, DWORD bpp) { return ((width * bpp + 31) / 32) * 4; }
