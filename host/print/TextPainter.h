// The host's TrueType text drawing (what GDI does for Unidrv's DrvTextOut): fontconfig resolves
// the family, weight and slant to a font file (DejaVu Sans when nothing fits), FreeType draws
// the string black over the page. The position is the top-left corner of the text cell.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/print/GreyImage.h"

namespace mkt::host {

struct TextStyle {
    std::string family;  // UTF-8
    int height = 24;     // em height in dots
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Draws the string; returns its advance width in dots (0 when no font could be loaded).
    int Draw(GreyImage& page, const TextStyle& style, std::u16string_view text, int x, int y);

    // The font file fontconfig picks for a style ("" when none).
    std::string ResolveFontFile(const TextStyle& style, int* faceIndex = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace mkt::host
