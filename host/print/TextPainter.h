// The host's TrueType text drawing (what GDI does for Unidrv's DrvTextOut), through the
// platform's text renderer (fontconfig picks the face, DejaVu Sans when nothing fits; FreeType
// draws), so that the host draws text as the plug-in's own text redraw does. The string is drawn
// black over the page with the top-left corner of its cell at the given position.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/print/GreyImage.h"

class TextRenderer;

namespace mkt::host {

struct TextStyle {
    std::u16string family;
    int height = 24;  // em height in dots
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

private:
    std::unique_ptr<TextRenderer> m_renderer;
};

}  // namespace mkt::host
