#include "host/print/TextPainter.h"

#include <algorithm>

#include "platform/TextRender.h"

namespace mkt::host {

TextPainter::TextPainter() : m_renderer(TextRenderer::Open()) {}

TextPainter::~TextPainter() = default;

int TextPainter::Draw(GreyImage& page, const TextStyle& style, std::u16string_view text, int x, int y) {
    if (!m_renderer || style.height <= 0 || text.empty()) return 0;
    TextFontDesc desc;
    desc.lfHeight = -std::min(style.height, 4096);
    desc.lfWeight = style.weight;
    desc.lfItalic = style.italic ? 1 : 0;
    desc.lfUnderline = style.underline ? 1 : 0;
    desc.lfStrikeOut = style.strikeout ? 1 : 0;
    desc.faceName = style.family;
    if (!m_renderer->SelectFont(desc)) return 0;
    TextExtent extent;
    if (!m_renderer->GetTextExtent(text, &extent) || extent.cx <= 0 || extent.cy <= 0) return 0;
    // Only the part that can land on the page is rendered.
    const long width = std::min<long>(extent.cx, std::max(0, page.width - std::max(0, x)) + std::max(0, -x));
    const long height = std::min<long>(extent.cy, std::max(0, page.height - std::max(0, y)) + std::max(0, -y));
    if (width <= 0 || height <= 0) return extent.cx;
    const TextBitmap ink = m_renderer->DrawText(text, width, height);
    for (long r = 0; r < ink.height; ++r) {
        const long py = static_cast<long>(y) + r;
        if (py < 0 || py >= page.height) continue;
        std::uint8_t* dst = page.Row(static_cast<int>(py));
        const BYTE* src = ink.bits.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(ink.width);
        for (long c = 0; c < ink.width; ++c) {
            const long px = static_cast<long>(x) + c;
            if (px < 0 || px >= page.width || src[c] == 0) continue;
            dst[px] = static_cast<std::uint8_t>((dst[px] * (255u - src[c]) + 127u) / 255u);
        }
    }
    return extent.cx;
}

}  // namespace mkt::host
