// Text rendering with FreeType; fontconfig resolves font descriptions to font files.
#include "platform/TextRender.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "platform/LastError.h"

namespace {

constexpr const char* kFallbackFamily = "DejaVu Sans";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr LONG kDefaultGuiHeight = -11;

struct FontFile {
    std::string path;
    int index = 0;
    bool operator<(const FontFile& o) const { return std::tie(path, index) < std::tie(o.path, o.index); }
};

struct Resolved {
    FontFile file;
    int fcWeight = FC_WEIGHT_REGULAR;
    int fcSlant = FC_SLANT_ROMAN;
};

std::mutex g_fcMutex;
bool g_fcReady = false;
// Font resolutions are costly; they are kept for the process (fonts do not change under a job).
std::map<std::tuple<std::string, int, int>, Resolved> g_resolved;
std::map<std::tuple<char32_t, int, int>, std::optional<Resolved>> g_fallbacks;

bool EnsureFontConfig() {
    std::lock_guard<std::mutex> lock(g_fcMutex);
    if (!g_fcReady) {
        g_fcReady = FcInit() == FcTrue;
        // The font configuration lives for the process; hand its memory back at exit.
        if (g_fcReady) std::atexit(FcFini);
    }
    return g_fcReady;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<char32_t> DecodeUtf16(std::u16string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        out.push_back(c);
    }
    return out;
}

int OpenTypeWeight(LONG lfWeight) { return lfWeight <= 0 ? 400 : std::min<LONG>(lfWeight, 1000); }

// Reads file, index, weight and slant of a matched pattern.
std::optional<Resolved> ReadMatch(FcPattern* match) {
    if (match == nullptr) return std::nullopt;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
        return std::nullopt;
    }
    Resolved r;
    r.file.path = reinterpret_cast<const char*>(file);
    int value = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &value) == FcResultMatch) r.file.index = value;
    if (FcPatternGetInteger(match, FC_WEIGHT, 0, &value) == FcResultMatch) r.fcWeight = value;
    if (FcPatternGetInteger(match, FC_SLANT, 0, &value) == FcResultMatch) r.fcSlant = value;
    return r;
}

FcPattern* MakePattern(const std::string& family, int weight, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(family.empty() ? kFallbackFamily : family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

Resolved Resolve(const std::string& family, int weight, bool italic) {
    std::lock_guard<std::mutex> lock(g_fcMutex);
    const auto key = std::make_tuple(family, weight, italic ? 1 : 0);
    if (auto it = g_resolved.find(key); it != g_resolved.end()) return it->second;
    std::optional<Resolved> found;
    if (FcPattern* pattern = MakePattern(family, weight, italic)) {
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        found = ReadMatch(match);
        if (match != nullptr) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    if (!found) {
        found = Resolved{};
        found->file.path = kFallbackFile;
    }
    g_resolved[key] = *found;
    return *found;
}

// A font that has the character, for characters the selected font lacks.
std::optional<Resolved> ResolveFallback(char32_t c, int weight, bool italic) {
    std::lock_guard<std::mutex> lock(g_fcMutex);
    const auto key = std::make_tuple(c, weight, italic ? 1 : 0);
    if (auto it = g_fallbacks.find(key); it != g_fallbacks.end()) return it->second;
    std::optional<Resolved> found;
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* charset = FcCharSetCreate();
    if (pattern != nullptr && charset != nullptr) {
        FcCharSetAddChar(charset, static_cast<FcChar32>(c));
        FcPatternAddCharSet(pattern, FC_CHARSET, charset);
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        if (match != nullptr) {
            FcCharSet* has = nullptr;
            if (FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch && has != nullptr &&
                FcCharSetHasChar(has, static_cast<FcChar32>(c))) {
                found = ReadMatch(match);
            }
            FcPatternDestroy(match);
        }
    }
    if (charset != nullptr) FcCharSetDestroy(charset);
    if (pattern != nullptr) FcPatternDestroy(pattern);
    g_fallbacks[key] = found;
    return found;
}

LONG RoundPx(double v) { return static_cast<LONG>(std::lround(v)); }

}  // namespace

struct TextRenderer::Impl {
    struct Face {
        FT_Face face = nullptr;
        bool embolden = false;
        bool oblique = false;
    };

    FT_Library library = nullptr;
    std::map<FontFile, FT_Face> opened;
    Face primary;
    std::string primaryFile;
    std::map<char32_t, std::optional<Face>> fallback;
    TextFontDesc desc;
    double emPx = 11.0;
    double xPx = 11.0;
    TextMetricsPx metrics;

    ~Impl() {
        for (auto& [file, face] : opened) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }

    FT_Face OpenFace(const FontFile& file) {
        if (auto it = opened.find(file); it != opened.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) return nullptr;
        if (!FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            return nullptr;
        }
        opened[file] = face;
        return face;
    }

    Face MakeFace(FT_Face face, const Resolved& r) const {
        Face f;
        f.face = face;
        f.embolden = OpenTypeWeight(desc.lfWeight) >= 600 && r.fcWeight < FC_WEIGHT_DEMIBOLD;
        f.oblique = desc.lfItalic != 0 && r.fcSlant == FC_SLANT_ROMAN;
        return f;
    }

    void SizeFace(FT_Face face) const {
        FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(xPx * 64.0)),
                         static_cast<FT_F26Dot6>(std::lround(emPx * 64.0)), 72, 72);
    }

    // Computes the pixel sizes from the description against the primary face's metrics.
    void ComputeSize() {
        FT_Face face = primary.face;
        const double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048.0;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        double cellUnits = 0;
        if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
            cellUnits = static_cast<double>(os2->usWinAscent) + os2->usWinDescent;
        } else {
            cellUnits = static_cast<double>(face->ascender) - face->descender;
        }
        if (cellUnits <= 0) cellUnits = upem;
        LONG height = desc.lfHeight == 0 ? kDefaultGuiHeight : desc.lfHeight;
        if (height < 0) {
            emPx = -static_cast<double>(height);
        } else {
            emPx = height * upem / cellUnits;
        }
        if (emPx < 1.0) emPx = 1.0;
        xPx = emPx;
        if (desc.lfWidth > 0 && os2 != nullptr && os2->xAvgCharWidth > 0) {
            xPx = desc.lfWidth * upem / os2->xAvgCharWidth;
        }
        const double scale = emPx / upem;
        if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
            metrics.ascent = RoundPx(os2->usWinAscent * scale);
            metrics.descent = RoundPx(os2->usWinDescent * scale);
        } else {
            metrics.ascent = RoundPx(face->ascender * scale);
            metrics.descent = RoundPx(-face->descender * scale);
        }
        SizeFace(face);
    }

    // The face that draws character c, and its glyph index.
    std::pair<const Face*, FT_UInt> GlyphFor(char32_t c) {
        FT_UInt index = FT_Get_Char_Index(primary.face, c);
        if (index != 0 || c < 0x20) return {&primary, index};
        auto it = fallback.find(c);
        if (it == fallback.end()) {
            std::optional<Face> face;
            if (auto r = ResolveFallback(c, OpenTypeWeight(desc.lfWeight), desc.lfItalic != 0)) {
                if (FT_Face f = OpenFace(r->file)) {
                    SizeFace(f);
                    face = MakeFace(f, *r);
                }
            }
            it = fallback.emplace(c, face).first;
        }
        if (it->second) {
            FT_UInt fi = FT_Get_Char_Index(it->second->face, c);
            if (fi != 0) return {&*it->second, fi};
        }
        return {&primary, 0};
    }

    // Loads the glyph of c into its face's slot; returns the slot or nullptr.
    FT_GlyphSlot Load(char32_t c, bool render) {
        auto [face, index] = GlyphFor(c);
        if (FT_Load_Glyph(face->face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return nullptr;
        FT_GlyphSlot slot = face->face->glyph;
        if (face->oblique) FT_GlyphSlot_Oblique(slot);
        if (face->embolden) FT_GlyphSlot_Embolden(slot);
        if (render && slot->format != FT_GLYPH_FORMAT_BITMAP) {
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return nullptr;
        }
        return slot;
    }

    static LONG Advance(FT_GlyphSlot slot) { return static_cast<LONG>((slot->advance.x + 32) >> 6); }

    bool Select(const TextFontDesc& d) {
        TextFontDesc saved = desc;
        desc = d;
        const Resolved r = Resolve(Utf16ToUtf8(d.faceName), OpenTypeWeight(d.lfWeight), d.lfItalic != 0);
        FT_Face face = OpenFace(r.file);
        if (face == nullptr && r.file.path != kFallbackFile) {
            Resolved fb;
            fb.file.path = kFallbackFile;
            face = OpenFace(fb.file);
            if (face != nullptr) {
                primary = MakeFace(face, fb);
                primaryFile = fb.file.path;
            }
        } else if (face != nullptr) {
            primary = MakeFace(face, r);
            primaryFile = r.file.path;
        }
        if (face == nullptr) {
            desc = saved;
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        fallback.clear();
        ComputeSize();
        return true;
    }
};

TextRenderer::TextRenderer(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

TextRenderer::~TextRenderer() = default;

std::unique_ptr<TextRenderer> TextRenderer::Open(TextRenderFailure* failure) {
    if (failure != nullptr) *failure = TextRenderFailure::None;
    auto impl = std::make_unique<Impl>();
    if (FT_Init_FreeType(&impl->library) != 0) {
        impl->library = nullptr;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        if (failure != nullptr) *failure = TextRenderFailure::Library;
        return nullptr;
    }
    if (!EnsureFontConfig()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        if (failure != nullptr) *failure = TextRenderFailure::FontConfig;
        return nullptr;
    }
    auto renderer = std::make_unique<TextRenderer>(std::move(impl));
    if (!renderer->SelectDefaultFont()) {
        if (failure != nullptr) *failure = TextRenderFailure::FontConfig;
        return nullptr;
    }
    return renderer;
}

bool TextRenderer::SelectFont(const TextFontDesc& desc) { return m_impl->Select(desc); }

bool TextRenderer::SelectDefaultFont() {
    TextFontDesc d;
    d.lfHeight = kDefaultGuiHeight;
    d.faceName = u"DejaVu Sans";
    return m_impl->Select(d);
}

bool TextRenderer::GetTextExtent(std::u16string_view text, TextExtent* extent) {
    if (extent == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *extent = TextExtent{};
    if (m_impl->primary.face == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    LONG width = 0;
    for (char32_t c : DecodeUtf16(text)) {
        if (FT_GlyphSlot slot = m_impl->Load(c, false)) width += Impl::Advance(slot);
    }
    extent->cx = width;
    extent->cy = m_impl->metrics.ascent + m_impl->metrics.descent;
    return true;
}

TextMetricsPx TextRenderer::GetMetrics() const { return m_impl->metrics; }

TextBitmap TextRenderer::DrawText(std::u16string_view text, LONG width, LONG height) {
    TextBitmap bitmap;
    if (width <= 0 || height <= 0) return bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bits.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (m_impl->primary.face == nullptr) return bitmap;

    auto plot = [&bitmap](LONG x, LONG y, BYTE v) {
        if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return;
        BYTE& p = bitmap.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width) +
                              static_cast<std::size_t>(x)];
        p = std::max(p, v);
    };

    const LONG baseline = m_impl->metrics.ascent;
    LONG pen = 0;
    for (char32_t c : DecodeUtf16(text)) {
        FT_GlyphSlot slot = m_impl->Load(c, true);
        if (slot == nullptr) continue;
        const FT_Bitmap& g = slot->bitmap;
        const LONG left = pen + slot->bitmap_left;
        const LONG top = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < g.rows; ++row) {
            const unsigned char* src = g.buffer + static_cast<std::ptrdiff_t>(row) * g.pitch;
            for (unsigned col = 0; col < g.width; ++col) {
                BYTE v;
                if (g.pixel_mode == FT_PIXEL_MODE_MONO) {
                    v = ((src[col >> 3] >> (7 - (col & 7))) & 1) ? 255 : 0;
                } else {
                    v = src[col];
                }
                if (v != 0) plot(left + static_cast<LONG>(col), top + static_cast<LONG>(row), v);
            }
        }
        pen += Impl::Advance(slot);
    }

    // Underline and strike-out run under the whole advance of the string.
    FT_Face face = m_impl->primary.face;
    const double scale = m_impl->emPx / (face->units_per_EM > 0 ? face->units_per_EM : 2048.0);
    auto rule = [&](LONG y, LONG thickness) {
        for (LONG t = 0; t < thickness; ++t) {
            for (LONG x = 0; x < pen; ++x) plot(x, y + t, 255);
        }
    };
    if (m_impl->desc.lfUnderline != 0) {
        const LONG thickness = std::max<LONG>(1, RoundPx(face->underline_thickness * scale));
        rule(baseline - RoundPx(face->underline_position * scale), thickness);
    }
    if (m_impl->desc.lfStrikeOut != 0) {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        LONG position = RoundPx(m_impl->emPx * 0.3);
        LONG thickness = std::max<LONG>(1, RoundPx(m_impl->emPx / 16.0));
        if (os2 != nullptr && os2->yStrikeoutSize > 0) {
            position = RoundPx(os2->yStrikeoutPosition * scale);
            thickness = std::max<LONG>(1, RoundPx(os2->yStrikeoutSize * scale));
        }
        rule(baseline - position, thickness);
    }
    return bitmap;
}

std::string TextRenderer::SelectedFontFile() const { return m_impl->primaryFile; }
