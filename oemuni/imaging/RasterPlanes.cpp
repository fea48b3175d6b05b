// Reads each pixel of a slice once, row by row, straight from the image rows; palette images
// are classified per palette entry first, so the inner loops only look up bytes.
#include "oemuni/imaging/RasterPlanes.h"

#include <array>
#include <cstring>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/FontRecordView.h"
#include "oemuni/imaging/ImageRectSort.h"
#include "oemuni/imaging/image/CxImage.h"

BYTE FourLevelOf(BYTE red, BYTE green, BYTE blue) {
    const double grey = 0.587 * green + 0.299 * red + 0.114 * blue;
    const int g = static_cast<int>(grey);
    if (g >= 255) return 0;
    if (g >= 219) return 5;
    if (g >= 182) return 6;
    if (g >= 146) return 7;
    if (g >= 91) return 8;
    if (g >= 55) return 9;
    if (g >= 36) return 10;
    if (g >= 18) return 11;
    return 12;
}

namespace {

bool IsDot(const RGBQUAD& c) { return c.rgbRed < 128 || c.rgbGreen < 128 || c.rgbBlue < 128; }

// The value printed for a level: the level itself inside an image area; outside, every plane
// set for the darker half and nothing for the lighter half.
BYTE PlaneValue(BYTE level, bool inside) {
    if (inside) return level;
    return level >= 8 ? 15 : 0;
}

// Per palette entry: whether it prints a dot, and its four-level grey level.
struct PaletteClasses {
    std::array<BYTE, 256> dot{};
    std::array<BYTE, 256> level{};
    std::array<BYTE, 256> dots1{};  // 1 bit per pixel: 8 source pixels -> 8 dots
};

PaletteClasses ClassifyPalette(const CxImage& image) {
    PaletteClasses c;
    const DWORD entries = image.GetNumColors();
    for (DWORD i = 0; i < 256; ++i) {
        // Indices beyond the palette cannot occur in an image this container builds.
        const RGBQUAD q = i < entries ? image.GetPaletteColor(static_cast<BYTE>(i)) : RGBQUAD{0, 0, 0, 0};
        c.dot[i] = IsDot(q) ? 1 : 0;
        c.level[i] = FourLevelOf(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    for (int s = 0; s < 256; ++s) {
        BYTE v = 0;
        if (c.dot[1]) v |= static_cast<BYTE>(s);
        if (c.dot[0]) v |= static_cast<BYTE>(~s);
        c.dots1[s] = v;
    }
    return c;
}

// Palette index of pixel x in a row of a 1-, 4- or 8-bit image.
BYTE IndexInRow(const BYTE* row, DWORD x, WORD bpp) {
    switch (bpp) {
    case 1: return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return static_cast<BYTE>((x & 1) == 0 ? (row[x >> 1] >> 4) : (row[x >> 1] & 0x0F));
    default: return row[x];
    }
}

// Two-level row of a 1-bit image: a byte-wise table maps 8 source pixels to 8 dots; the bits
// beyond the width (row padding) print nothing.
void TwoLevelRow1(const BYTE* row, DWORD width, const PaletteClasses& pc, BYTE* out) {
    const BYTE* table = pc.dots1.data();
    const DWORD whole = width / 8;
    for (DWORD k = 0; k < whole; ++k) out[k] = table[row[k]];
    if ((width & 7) != 0) {
        const BYTE mask = static_cast<BYTE>(0xFF << (8 - (width & 7)));
        out[whole] = static_cast<BYTE>(table[row[whole]] & mask);
    }
}

void TwoLevelRow8(const BYTE* row, DWORD width, const PaletteClasses& pc, BYTE* out) {
    const DWORD whole = width / 8;
    const BYTE* dot = pc.dot.data();
    for (DWORD k = 0; k < whole; ++k) {
        const BYTE* p = row + 8 * k;
        out[k] = static_cast<BYTE>((dot[p[0]] << 7) | (dot[p[1]] << 6) | (dot[p[2]] << 5) | (dot[p[3]] << 4) |
                                   (dot[p[4]] << 3) | (dot[p[5]] << 2) | (dot[p[6]] << 1) | dot[p[7]]);
    }
    if ((width & 7) != 0) {
        BYTE v = 0;
        for (DWORD x = 8 * whole; x < width; ++x) v |= static_cast<BYTE>(dot[row[x]] << (7 - (x & 7)));
        out[whole] = v;
    }
}

// The rectangle search of four-level printing: a row is inside an image area when a record
// from the search start on has top <= y <= bottom; the found record becomes the search start.
class ImageAreaSearch {
public:
    explicit ImageAreaSearch(const OemPDEV* pOemPDEV) {
        if (pOemPDEV != nullptr) {
            m_list = pOemPDEV->pImgRectBufStart.data();
            m_count = pOemPDEV->pImgRectBufStart.size() / IMAGE_RECT_SIZE;
        }
    }
    bool Inside(DWORD y) {
        for (DWORD i = m_start; i < m_count; ++i) {
            const BYTE* r = m_list + i * IMAGE_RECT_SIZE;
            if (ReadLe16(r + 2) <= y && y <= ReadLe16(r + 6)) {
                m_start = i;
                return true;
            }
        }
        return false;
    }

private:
    const BYTE* m_list = nullptr;
    DWORD m_count = 0;
    DWORD m_start = 0;
};

}  // namespace

DWORD CreateImageBuffer(PDEVOBJ pdevobj, std::span<std::vector<BYTE>> planes, const CxImage* pImage,
                        DWORD dwStartY, DWORD dwRows, BOOL bFourLevel) {
    if (pImage == nullptr || !pImage->IsValid() || planes.empty()) return 0;
    const DWORD width = pImage->GetWidth();
    const DWORD height = pImage->GetHeight();
    const WORD bpp = pImage->GetBpp();
    const DWORD wb = RasterBytesPerRow(width);
    const bool fourLevel = bFourLevel != 0 && planes.size() >= 4;
    const size_t planeCount = fourLevel ? 4 : 1;
    for (size_t p = 0; p < planeCount; ++p) {
        if (planes[p].size() < static_cast<size_t>(wb) * dwRows) return 0;
    }
    const PaletteClasses pc = bpp <= 8 ? ClassifyPalette(*pImage) : PaletteClasses{};
    ImageAreaSearch areas(GetOemPDEV(pdevobj));

    DWORD j = 0;
    for (DWORD r = 0; r < dwRows; ++r, j += wb) {
        const DWORD y = dwStartY + r;
        const bool inside = fourLevel && areas.Inside(y);
        if (y >= height || y < dwStartY) {
            // Below the image (or past the 32-bit row range): no dots on any plane.
            for (size_t p = 0; p < planeCount; ++p) std::memset(planes[p].data() + j, 0, wb);
            continue;
        }
        const BYTE* row = pImage->GetBits(y);
        if (!fourLevel) {
            BYTE* out = planes[0].data() + j;
            if (bpp == 1) {
                TwoLevelRow1(row, width, pc, out);
            } else if (bpp == 8) {
                TwoLevelRow8(row, width, pc, out);
            } else {
                std::memset(out, 0, wb);
                for (DWORD x = 0; x < width; ++x) {
                    bool dot;
                    if (bpp == 24) {
                        const BYTE* px = row + 3 * x;
                        dot = px[0] < 128 || px[1] < 128 || px[2] < 128;
                    } else {
                        dot = pc.dot[IndexInRow(row, x, bpp)] != 0;
                    }
                    if (dot) out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
                }
            }
            continue;
        }
        std::array<BYTE, 256> value{};
        if (bpp <= 8) {
            for (int i = 0; i < 256; ++i) value[i] = PlaneValue(pc.level[i], inside);
        }
        BYTE* o0 = planes[0].data() + j;
        BYTE* o1 = planes[1].data() + j;
        BYTE* o2 = planes[2].data() + j;
        BYTE* o3 = planes[3].data() + j;
        BYTE a0 = 0, a1 = 0, a2 = 0, a3 = 0;
        for (DWORD x = 0; x < width; ++x) {
            BYTE v;
            if (bpp == 8) {
                v = value[row[x]];
            } else if (bpp == 24) {
                const BYTE* px = row + 3 * x;
                v = PlaneValue(FourLevelOf(px[2], px[1], px[0]), inside);
            } else {
                v = value[IndexInRow(row, x, bpp)];
            }
            a0 = static_cast<BYTE>((a0 << 1) | ((v >> 3) & 1));
            a1 = static_cast<BYTE>((a1 << 1) | ((v >> 2) & 1));
            a2 = static_cast<BYTE>((a2 << 1) | ((v >> 1) & 1));
            a3 = static_cast<BYTE>((a3 << 1) | (v & 1));
            if ((x & 7) == 7) {
                const DWORD k = x >> 3;
                o0[k] = a0;
                o1[k] = a1;
                o2[k] = a2;
                o3[k] = a3;
                a0 = a1 = a2 = a3 = 0;
            }
        }
        if ((width & 7) != 0) {
            const int shift = 8 - static_cast<int>(width & 7);
            const DWORD k = width >> 3;
            o0[k] = static_cast<BYTE>(a0 << shift);
            o1[k] = static_cast<BYTE>(a1 << shift);
            o2[k] = static_cast<BYTE>(a2 << shift);
            o3[k] = static_cast<BYTE>(a3 << shift);
        }
    }
    DebugLogA("CreateImageBuffer : dwBufIndex = %u", j);
    return j;
}
