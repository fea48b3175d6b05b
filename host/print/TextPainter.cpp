#include "host/print/TextPainter.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <tuple>
#include <utility>

namespace mkt::host {
namespace {

struct FaceKey {
    std::string file;
    int index;
    bool operator<(const FaceKey& o) const { return std::tie(file, index) < std::tie(o.file, o.index); }
};

char32_t NextCodePoint(std::u16string_view s, std::size_t& i) {
    char32_t c = s[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    }
    return c;
}

void Darken(std::uint8_t& px, unsigned coverage) {
    px = static_cast<std::uint8_t>((px * (255u - coverage) + 127u) / 255u);
}

}  // namespace

struct TextPainter::Impl {
    FT_Library library = nullptr;
    std::map<FaceKey, FT_Face> faces;
    std::map<std::string, std::pair<std::string, int>> resolved;

    ~Impl() {
        for (auto& [key, face] : faces) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    FT_Face Face(const std::string& file, int index) {
        if (!library || file.empty()) return nullptr;
        auto it = faces.find({file, index});
        if (it != faces.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), index, &face) != 0) face = nullptr;
        faces.emplace(FaceKey{file, index}, face);
        return face;
    }
};

TextPainter::TextPainter() : m_impl(std::make_unique<Impl>()) {
    if (FT_Init_FreeType(&m_impl->library) != 0) m_impl->library = nullptr;
}

TextPainter::~TextPainter() = default;

std::string TextPainter::ResolveFontFile(const TextStyle& style, int* faceIndex) {
    const std::string key = style.family + '\x1f' + std::to_string(style.weight) + (style.italic ? "i" : "r");
    auto cached = m_impl->resolved.find(key);
    if (cached == m_impl->resolved.end()) {
        std::pair<std::string, int> result{"", 0};
        if (FcInit()) {
            FcPattern* pattern = FcPatternCreate();
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(style.family.c_str()));
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("DejaVu Sans"));
            FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(style.weight, 1, 1000)));
            FcPatternAddInteger(pattern, FC_SLANT, style.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
            FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
            FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult res = FcResultNoMatch;
            FcPattern* match = FcFontMatch(nullptr, pattern, &res);
            if (match) {
                FcChar8* file = nullptr;
                int index = 0;
                if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
                    result.first = reinterpret_cast<const char*>(file);
                }
                if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) result.second = index;
                FcPatternDestroy(match);
            }
            FcPatternDestroy(pattern);
        }
        cached = m_impl->resolved.emplace(key, result).first;
    }
    if (faceIndex) *faceIndex = cached->second.second;
    return cached->second.first;
}

int TextPainter::Draw(GreyImage& page, const TextStyle& style, std::u16string_view text, int x, int y) {
    int index = 0;
    const std::string file = ResolveFontFile(style, &index);
    FT_Face face = m_impl->Face(file, index);
    if (!face || style.height <= 0) return 0;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::min(style.height, 4096))) != 0) return 0;
    const bool synthBold = style.weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    const bool synthItalic = style.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    const long ascender = face->size->metrics.ascender >> 6;
    const long baseline = static_cast<long>(y) + ascender;
    long penX = x;
    std::size_t i = 0;
    while (i < text.size()) {
        const char32_t cp = NextCodePoint(text, i);
        if (FT_Load_Char(face, cp, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) continue;
        if (synthBold) FT_GlyphSlot_Embolden(face->glyph);
        if (synthItalic) FT_GlyphSlot_Oblique(face->glyph);
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
        const FT_Bitmap& bm = face->glyph->bitmap;
        const long left = penX + face->glyph->bitmap_left;
        const long top = baseline - face->glyph->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r) {
            const long py = top + static_cast<long>(r);
            if (py < 0 || py >= page.height) continue;
            const unsigned char* src = bm.buffer + static_cast<long>(r) * bm.pitch;
            std::uint8_t* dst = page.Row(static_cast<int>(py));
            for (unsigned c = 0; c < bm.width; ++c) {
                const long px = left + static_cast<long>(c);
                if (px < 0 || px >= page.width || src[c] == 0) continue;
                Darken(dst[px], src[c]);
            }
        }
        penX += face->glyph->advance.x >> 6;
    }
    const int advance = static_cast<int>(penX - x);
    auto rule = [&](long rowTop, long thickness) {
        thickness = std::max(1L, thickness);
        for (long r = rowTop; r < rowTop + thickness; ++r) {
            if (r < 0 || r >= page.height) continue;
            for (long px = std::max(0L, static_cast<long>(x)); px < std::min<long>(page.width, penX); ++px) {
                page.Row(static_cast<int>(r))[px] = 0;
            }
        }
    };
    const long thickness = std::max(1L, static_cast<long>(style.height) / 16);
    if (style.underline) rule(baseline + std::max(1L, static_cast<long>(style.height) / 10), thickness);
    if (style.strikeout) rule(baseline - static_cast<long>(style.height) * 3 / 10, thickness);
    return advance;
}

}  // namespace mkt::host
