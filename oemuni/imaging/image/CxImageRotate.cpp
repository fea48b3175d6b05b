// CxImage quarter and half turns and row reversal. Coordinates are (column, row) with row 0
// the top of the page.
#include <algorithm>
#include <cstring>
#include <vector>

#include "oemuni/imaging/image/BitRows.h"
#include "oemuni/imaging/image/CxImage.h"

namespace {

constexpr LONG kBlock = 64;

enum class Turn { Left, Right };

// Quarter turn of a 1-bit image, 8 x 8 bits at a time. Left: D[r][c] = S[H-1-c][r];
// right: D[r][c] = S[c][W-1-r]. The result is zero-filled, so its row padding stays 0.
void QuarterTurn1(const CxImage& src, CxImage& dst, Turn turn) {
    const DWORD W = src.GetWidth();
    const DWORD H = src.GetHeight();
    const DWORD srcBytes = (W + 7) / 8;
    static const BYTE zeros[1] = {0};
    for (DWORD c0 = 0; c0 < H; c0 += 8) {
        const BYTE* rows[8];
        DWORD rowStep[8];
        for (DWORD k = 0; k < 8; ++k) {
            const DWORD c = c0 + k;
            if (c < H) {
                rows[k] = src.GetBits(turn == Turn::Left ? H - 1 - c : c);
                rowStep[k] = 1;
            } else {
                rows[k] = zeros;
                rowStep[k] = 0;
            }
        }
        const DWORD outByte = c0 / 8;
        for (DWORD sb = 0; sb < srcBytes; ++sb) {
            BYTE in[8];
            for (DWORD k = 0; k < 8; ++k) in[k] = rows[k][sb * rowStep[k]];
            BYTE out[8];
            bitrows::Transpose8(in, out);
            // out[j] holds source column 8 * sb + j for the eight result columns c0 .. c0+7.
            const DWORD firstColumn = sb * 8;
            const DWORD n = std::min<DWORD>(8, W - firstColumn);
            for (DWORD j = 0; j < n; ++j) {
                const DWORD sx = firstColumn + j;
                const DWORD r = (turn == Turn::Left) ? sx : W - 1 - sx;
                dst.GetBits(r)[outByte] = out[j];
            }
        }
    }
}

// Quarter turn at 8 or 24 bits, in square blocks so that both images are walked in cache:
// each source row of a block is read left to right and written down a result column.
void QuarterTurnBytes(const CxImage& src, CxImage& dst, Turn turn, DWORD bytesPerPixel) {
    const LONG W = static_cast<LONG>(src.GetWidth());
    const LONG H = static_cast<LONG>(src.GetHeight());
    // Result: H wide, W high. Result row r holds source column r (left) or W-1-r (right).
    std::vector<BYTE*> dstRows(static_cast<std::size_t>(W));
    for (LONG r = 0; r < W; ++r) dstRows[static_cast<std::size_t>(r)] = dst.GetBits(static_cast<DWORD>(r));
    for (LONG sy0 = 0; sy0 < H; sy0 += kBlock) {
        const LONG sy1 = std::min(H, sy0 + kBlock);
        for (LONG sx0 = 0; sx0 < W; sx0 += kBlock) {
            const LONG sx1 = std::min(W, sx0 + kBlock);
            for (LONG sy = sy0; sy < sy1; ++sy) {
                const BYTE* s = src.GetBits(static_cast<DWORD>(sy));
                // Left: D[sx][H-1-sy] = S[sy][sx]; right: D[W-1-sx][sy] = S[sy][sx].
                const std::size_t column = static_cast<std::size_t>(turn == Turn::Left ? H - 1 - sy : sy) * bytesPerPixel;
                if (bytesPerPixel == 1) {
                    if (turn == Turn::Left) {
                        for (LONG sx = sx0; sx < sx1; ++sx) dstRows[static_cast<std::size_t>(sx)][column] = s[sx];
                    } else {
                        for (LONG sx = sx0; sx < sx1; ++sx) dstRows[static_cast<std::size_t>(W - 1 - sx)][column] = s[sx];
                    }
                } else {
                    for (LONG sx = sx0; sx < sx1; ++sx) {
                        BYTE* d = dstRows[static_cast<std::size_t>(turn == Turn::Left ? sx : W - 1 - sx)] + column;
                        const BYTE* p = s + 3 * static_cast<std::size_t>(sx);
                        d[0] = p[0];
                        d[1] = p[1];
                        d[2] = p[2];
                    }
                }
            }
        }
    }
}

BOOL QuarterTurn(CxImage& image, CxImage& result, Turn turn) {
    if (!image.IsValid()) return FALSE;
    const DWORD W = image.GetWidth();
    const DWORD H = image.GetHeight();
    if (result.Create(H, W, image.GetBpp(), image.GetType()) == nullptr) return FALSE;
    result.SetPalette(image.GetPalette());
    switch (image.GetBpp()) {
        case 1:
            QuarterTurn1(image, result, turn);
            break;
        case 8:
            QuarterTurnBytes(image, result, turn, 1);
            break;
        case 24:
            QuarterTurnBytes(image, result, turn, 3);
            break;
        default:
            for (DWORD r = 0; r < W; ++r) {
                for (DWORD c = 0; c < H; ++c) {
                    const LONG sr = static_cast<LONG>(turn == Turn::Left ? H - 1 - c : c);
                    const LONG sc = static_cast<LONG>(turn == Turn::Left ? r : W - 1 - r);
                    result.SetPixelIndex(static_cast<LONG>(c), static_cast<LONG>(r),
                                         image.GetPixelIndex(sc, sr));
                }
            }
            break;
    }
    image.TakeOver(result);
    return TRUE;
}

}  // namespace

BOOL CxImage::RotateLeft() {
    CxImage result = MakeTemporary();
    return QuarterTurn(*this, result, Turn::Left);
}

BOOL CxImage::RotateRight() {
    CxImage result = MakeTemporary();
    return QuarterTurn(*this, result, Turn::Right);
}

BOOL CxImage::Rotate180() {
    if (!IsValid()) return FALSE;
    const DWORD W = GetWidth();
    const DWORD H = GetHeight();
    CxImage result = MakeTemporary();
    if (result.Create(W, H, m_head.biBitCount, m_dwType) == nullptr) return FALSE;
    result.SetPalette(GetPalette());
    switch (m_head.biBitCount) {
        case 1: {
            // Reversing a row is reversing its bytes and their bits, then shifting out the
            // bits that stood beyond the width.
            const DWORD used = (W + 7) / 8;
            const DWORD pad = used * 8 - W;
            std::vector<BYTE> reversed(used + 1, 0);
            for (DWORD r = 0; r < H; ++r) {
                const BYTE* s = GetBits(H - 1 - r);
                for (DWORD k = 0; k < used; ++k) reversed[k] = bitrows::ReverseBits(s[used - 1 - k]);
                bitrows::CopyBits(reversed.data(), used, pad, result.GetBits(r), W);
            }
            break;
        }
        case 8:
            for (DWORD r = 0; r < H; ++r) {
                const BYTE* s = GetBits(H - 1 - r);
                BYTE* d = result.GetBits(r);
                for (DWORD c = 0; c < W; ++c) d[c] = s[W - 1 - c];
            }
            break;
        case 24:
            for (DWORD r = 0; r < H; ++r) {
                const BYTE* s = GetBits(H - 1 - r);
                BYTE* d = result.GetBits(r);
                for (DWORD c = 0; c < W; ++c) {
                    const BYTE* p = s + 3 * static_cast<std::size_t>(W - 1 - c);
                    d[3 * c] = p[0];
                    d[3 * c + 1] = p[1];
                    d[3 * c + 2] = p[2];
                }
            }
            break;
        default:
            for (DWORD r = 0; r < H; ++r) {
                for (DWORD c = 0; c < W; ++c) {
                    result.SetPixelIndex(static_cast<LONG>(c), static_cast<LONG>(r),
                                         GetPixelIndex(static_cast<LONG>(W - 1 - c),
                                                       static_cast<LONG>(H - 1 - r)));
                }
            }
            break;
    }
    TakeOver(result);
    return TRUE;
}

BOOL CxImage::ReverseRows() {
    if (!IsValid()) return FALSE;
    const DWORD H = GetHeight();
    std::vector<BYTE> tmp(m_dwStride);
    for (DWORD i = 0; i < H / 2; ++i) {
        BYTE* a = GetBits(i);
        BYTE* b = GetBits(H - 1 - i);
        std::memcpy(tmp.data(), a, m_dwStride);
        std::memcpy(a, b, m_dwStride);
        std::memcpy(b, tmp.data(), m_dwStride);
    }
    return TRUE;
}
