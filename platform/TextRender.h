// Text rendering of the stand-in platform: the part of GDI that draws a string in a TrueType
// font into a bitmap. A font is described the way a LOGFONTW describes it (face name, height,
// width, weight, italic, underline, strike-out); the platform resolves the description to an
// installed font file (DejaVu Sans when nothing fits) and renders with anti-aliasing.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Win32Types.h"

// A font request in LOGFONTW terms.
struct TextFontDesc {
    // < 0: character (em) height in pixels; > 0: cell height (ascent + descent) in pixels;
    // 0: the default height.
    LONG lfHeight = 0;
    // Average character width in pixels; 0 keeps the font's own proportions.
    LONG lfWidth = 0;
    // 0 = default (400), 700 = bold.
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfPitchAndFamily = 0;
    std::u16string faceName;
};

struct TextExtent {
    LONG cx = 0;  // sum of the advance widths
    LONG cy = 0;  // cell height: ascent + descent
};

struct TextMetricsPx {
    LONG ascent = 0;
    LONG descent = 0;
};

// A rendered string: white text on black, one byte of ink coverage per pixel (0 = background,
// 255 = full ink), `width` bytes per row, row 0 on top.
struct TextBitmap {
    LONG width = 0;
    LONG height = 0;
    WORD bitsPerPixel = 8;
    std::vector<BYTE> bits;

    BYTE At(LONG x, LONG y) const {
        return bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    }
};

// Which start-up step failed (Open).
enum class TextRenderFailure {
    None,
    Library,     // the rasteriser could not start
    FontConfig,  // the font configuration could not be loaded
};

class TextRenderer {
public:
    // Starts a renderer with the default font selected. On failure returns nullptr, sets the
    // thread's last error and, when `failure` is given, tells which step failed.
    static std::unique_ptr<TextRenderer> Open(TextRenderFailure* failure = nullptr);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Selects the installed font that best fits the description. false (last error set)
    // when no font file could be loaded; the previous font then stays selected.
    bool SelectFont(const TextFontDesc& desc);
    // Selects the default font (DejaVu Sans, 11 pixels high), as a stock GUI font.
    bool SelectDefaultFont();

    // Extent of the string in the selected font. false (last error set) when nothing is
    // selected; `extent` is then zero.
    bool GetTextExtent(std::u16string_view text, TextExtent* extent);
    TextMetricsPx GetMetrics() const;

    // Draws the string with its cell's top-left corner at (0, 0) into a black bitmap of
    // width x height pixels; ink outside the bitmap is clipped.
    TextBitmap DrawText(std::u16string_view text, LONG width, LONG height);

    // The file of the selected font (for diagnostics and tests).
    std::string SelectedFontFile() const;

    // The implementation's state; only Open can build one.
    struct Impl;
    explicit TextRenderer(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> m_impl;
};
