// CxImage text drawing: a captured TrueType string is drawn again into the scaled page.
#include <algorithm>

#include "oemuni/frame/DebugLog.h"
#include "oemuni/imaging/image/CxImage.h"
#include "platform/LastError.h"
#include "platform/TextRender.h"

namespace {

TextFontDesc DescribeFont(const LOGFONTW& font) {
    TextFontDesc desc;
    desc.lfHeight = font.lfHeight;
    desc.lfWidth = font.lfWidth;
    desc.lfWeight = font.lfWeight;
    desc.lfItalic = font.lfItalic;
    desc.lfUnderline = font.lfUnderline;
    desc.lfStrikeOut = font.lfStrikeOut;
    desc.lfCharSet = font.lfCharSet;
    desc.lfPitchAndFamily = font.lfPitchAndFamily;
    const std::size_t capacity = sizeof(font.lfFaceName) / sizeof(font.lfFaceName[0]);
    std::size_t n = 0;
    while (n < capacity && font.lfFaceName[n] != 0) ++n;
    desc.faceName.assign(font.lfFaceName, n);
    return desc;
}

LONG ScaleByRate(LONG v, float rate) {
    // Product in single precision, the half added in double precision, truncated.
    return static_cast<LONG>(static_cast<double>(static_cast<float>(v) * rate) + 0.5);
}

}  // namespace

LONG CxImage::DrawString(LONG x, LONG y, std::u16string_view text, LOGFONTW& font, float rate,
                         BYTE rotation) {
    DebugLogA("CxImage::DrawString : START");
    if (!IsValid()) {
        DebugLogA("CxImage::DrawString : END");
        return 0;
    }
    if (const auto end = text.find(u'\0'); end != std::u16string_view::npos) text = text.substr(0, end);

    TextRenderFailure failure = TextRenderFailure::None;
    std::unique_ptr<TextRenderer> renderer = TextRenderer::Open(&failure);
    if (renderer == nullptr) {
        const DWORD dwError = ::GetLastError();
        if (failure == TextRenderFailure::Library) {
            DebugLogA("CxImage::DrawString : GetDC failed with (%d)", static_cast<int>(dwError));
        } else {
            DebugLogA("CxImage::DrawString : CreateCompatibleDC failed with (%d)", static_cast<int>(dwError));
        }
        return y;
    }

    if (rate != 1.0f) {
        font.lfHeight = ScaleByRate(font.lfHeight, rate);
        x = ScaleByRate(x, rate);
        y = ScaleByRate(y, rate);
    }

    // A font that cannot be had leaves the default GUI font selected.
    renderer->SelectFont(DescribeFont(font));
    TextExtent extent;
    if (!renderer->GetTextExtent(text, &extent)) {
        DebugLogA("CxImage::DrawString : GetTextExtentPoint failed with (%d)",
                  static_cast<int>(::GetLastError()));
    }
    LONG w = extent.cx;
    const LONG h = extent.cy;
    if (font.lfItalic != 0) w += h;

    if ((rotation == 1 || rotation == 3) && static_cast<LONG>(GetWidth()) < w) {
        DebugLogA("CxImage::DrawString : Width = %d, Height = %d", static_cast<int>(GetWidth()),
                  static_cast<int>(GetHeight()));
        AddMargins(0, 0, x + w - static_cast<LONG>(GetWidth()), 0, RGBQUAD{255, 255, 255, 0});
        DebugLogA("CxImage::DrawString : Width = %d, Height = %d", static_cast<int>(GetWidth()),
                  static_cast<int>(GetHeight()));
    }

    const TextBitmap bitmap = renderer->DrawText(text, w, h);
    CxImage textImage;
    if (textImage.CreateFromPlatformBitmap(&bitmap)) textImage.ReverseRows();

    // Every pixel with any ink, anti-aliased edges included, becomes a black dot.
    const RGBQUAD black{0, 0, 0, 0};
    if (textImage.IsValid()) {
        for (LONG i = 0; i < w; ++i) {
            for (LONG j = 0; j < h; ++j) {
                if (textImage.GetPixelColor(i, j).rgbBlue != 0) SetPixelColor(x + i, y + j, black);
            }
        }
    }
    DebugLogA("CxImage::DrawString : END");
    return y + h;
}

BOOL CxImage::CreateFromPlatformBitmap(const TextBitmap* bitmap) {
    Destroy();
    if (bitmap == nullptr) return FALSE;
    const LONG w = bitmap->width;
    const LONG h = bitmap->height;
    if (w <= 0 || h <= 0) {
        SetLastErrorText("CxImage::Create : width and height must be greater than zero");
        return FALSE;
    }
    // Coverage is read as palette-free colours: a 24-bit image, grey where the text has ink.
    if (Create(static_cast<DWORD>(w), static_cast<DWORD>(h), 24, 0) == nullptr) return FALSE;
    const std::size_t needed = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                               (bitmap->bitsPerPixel / 8u);
    if (bitmap->bitsPerPixel != 8 || bitmap->bits.size() < needed) {
        Destroy();
        SetLastErrorText("GetDIBits failed");
        return FALSE;
    }
    // The bitmap is read the way the platform hands out device-independent bits: the bottom
    // row first.
    for (LONG r = 0; r < h; ++r) {
        const BYTE* src = bitmap->bits.data() + static_cast<std::size_t>(h - 1 - r) * static_cast<std::size_t>(w);
        BYTE* dst = GetBits(static_cast<DWORD>(r));
        for (LONG c = 0; c < w; ++c, dst += 3) {
            dst[0] = src[c];
            dst[1] = src[c];
            dst[2] = src[c];
        }
    }
    return TRUE;
}
