// Hand-built Unidrv objects for driving the text capture: a device with its per-device
// state, font objects with metrics and transform, string objects, a fresh machine root,
// and a parser for the font records the capture writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/frame/UnidrvTypes.h"
#include "oemuni/text/FontRecords.h"
#include "oemuni/text/TextCapture.h"
#include "platform/MachineRoot.h"

namespace texttest {

using Bytes = std::vector<BYTE>;

// A font object with its metrics (family name behind the record) and transform.
class TestFont {
public:
    struct Options {
        float size = 24.0f;                 // font height in dots: eM22 = size / 2048
        FLONG flFontType = FO_TYPE_DEVICE;
        USHORT weight = 400;
        USHORT fsSelection = 0;
        BYTE charSet = 0;
        BYTE pitchAndFamily = 0;
        SHORT unitsPerEm = 2048;
    };

    TestFont(const std::u16string& familyName, Options o) {
        m_ifi.assign(sizeof(IFIMETRICS) + 2 * (familyName.size() + 1), 0);
        IFIMETRICS ifi = {};
        ifi.cjThis = static_cast<ULONG>(m_ifi.size());
        ifi.dpwszFamilyName = static_cast<LONG>(sizeof(IFIMETRICS));
        ifi.fsSelection = o.fsSelection;
        ifi.usWinWeight = o.weight;
        ifi.jWinCharSet = o.charSet;
        ifi.jWinPitchAndFamily = o.pitchAndFamily;
        ifi.fwdUnitsPerEm = o.unitsPerEm;
        std::memcpy(m_ifi.data(), &ifi, sizeof ifi);
        std::memcpy(m_ifi.data() + sizeof(IFIMETRICS), familyName.c_str(), 2 * (familyName.size() + 1));
        m_xo.xform = {1.0f, 0.0f, 0.0f, o.size / 2048.0f, 0.0f, 0.0f};
        m_fo.flFontType = o.flFontType;
        m_fo.cxMax = 12;
        m_fo.sizLogResPpi = {203, 203};
        m_fo.pifi_ = reinterpret_cast<IFIMETRICS*>(m_ifi.data());
        m_fo.pxo_ = &m_xo;
    }
    explicit TestFont(const std::u16string& familyName) : TestFont(familyName, Options{}) {}
    TestFont(const TestFont&) = delete;
    TestFont& operator=(const TestFont&) = delete;

    FONTOBJ* get() { return &m_fo; }
    XFORMOBJ& xform() { return m_xo; }

private:
    std::vector<BYTE> m_ifi;
    XFORMOBJ m_xo = {};
    FONTOBJ m_fo = {};
};

// A string object drawn at (x, y).
class TestString {
public:
    TestString(std::u16string text, LONG x, LONG y) : m_text(std::move(text)) {
        m_str.cGlyphs = static_cast<ULONG>(m_text.size());
        m_str.rclBkGround = {x, y, x + 100, y + 24};
        m_str.pwszOrg = m_text.data();
    }
    TestString(const TestString&) = delete;
    TestString& operator=(const TestString&) = delete;
    STROBJ* get() { return &m_str; }

private:
    std::u16string m_text;
    STROBJ m_str = {};
};

// One font record as written.
struct Record {
    BYTE type = 0;
    DWORD height = 0;
    BYTE header3to5[3] = {};
    DWORD weight = 0;
    BYTE italic = 0, underline = 0, strikeOut = 0, charSet = 0, pitch = 0;
    DWORD x = 0, y = 0;
    Bytes a, b;
};

inline DWORD Word(const BYTE* p) { return p[0] | (p[1] << 8); }

// Splits a record buffer; fails the test when the lengths do not walk the buffer exactly.
inline std::vector<Record> ParseRecords(const ByteBuffer& buffer) {
    std::vector<Record> records;
    DWORD pos = 0;
    while (pos < buffer.size()) {
        EXPECT_LE(pos + FONT_RECORD_HEADER_SIZE, buffer.size()) << "header cut at " << pos;
        if (pos + FONT_RECORD_HEADER_SIZE > buffer.size()) break;
        const BYTE* p = buffer.data() + pos;
        Record r;
        r.type = p[0];
        r.height = Word(p + 1);
        std::memcpy(r.header3to5, p + 3, 3);
        r.weight = Word(p + 6);
        r.italic = p[8];
        r.underline = p[9];
        r.strikeOut = p[10];
        r.charSet = p[11];
        r.pitch = p[12];
        r.x = Word(p + 13);
        r.y = Word(p + 15);
        const DWORD a = Word(p + 17);
        const DWORD b = Word(p + 19);
        EXPECT_LE(pos + FONT_RECORD_HEADER_SIZE + a + b, buffer.size()) << "fields cut at " << pos;
        if (pos + FONT_RECORD_HEADER_SIZE + a + b > buffer.size()) break;
        r.a.assign(p + 21, p + 21 + a);
        r.b.assign(p + 21 + a, p + 21 + a + b);
        records.push_back(std::move(r));
        pos += FONT_RECORD_HEADER_SIZE + a + b;
    }
    return records;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Counts the calls that reach Unidrv's own text-out entry.
struct UnidrvTextOut {
    static inline int calls = 0;
    static inline BOOL result = TRUE;
    static BOOL Hook(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
        ++calls;
        return result;
    }
};

// A device (DEVOBJ + per-device state + surface) in a fresh machine root.
class TextCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = std::filesystem::temp_directory_path() /
                 ("mkt-text-" + std::to_string(::getpid()) + "-" + std::to_string(s_counter++));
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root / "C" / "Windows");
        plat::SetMachineRoot(m_root);
        m_pdev = std::make_unique<OemPDEV>();
        m_pdev->m_pfnDrvTextOut = &UnidrvTextOut::Hook;
        std::strcpy(m_pdev->szPrinterNameA, "VARNOKE MKT-G450");
        m_devobj.dwSize = sizeof(DEVOBJ);
        m_devobj.pdevOEM = m_pdev.get();
        m_surf.dhpdev = &m_devobj;
        UnidrvTextOut::calls = 0;
        UnidrvTextOut::result = TRUE;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    BYTE& Setting(int n) { return m_pdev->m_UIInfo.byteValue[n]; }

    // Draws `text` in `font` at (x, y) through the hook; returns the hook's result.
    BOOL Draw(TestFont& font, const std::u16string& text, LONG x = 0, LONG y = 0) {
        TestString s(text, x, y);
        return OEMTextOut(&m_surf, s.get(), font.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, 0);
    }
    BOOL Draw(const std::u16string& family, const std::u16string& text, LONG x = 0, LONG y = 0,
              TestFont::Options o = {}) {
        TestFont font(family, o);
        return Draw(font, text, x, y);
    }

    std::vector<Record> Records() const { return ParseRecords(m_pdev->pTxtBufStart); }

    // Writes the INI file into the print-processor folder of the machine root.
    void WriteIni(const std::string& content) {
        const auto dir = m_root / "C" / "Windows" / "System32" / "spool" / "prtprocs" / "x64";
        std::filesystem::create_directories(dir);
        std::FILE* f = std::fopen((dir / "MKTG450.INI").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }

    // Reads every record back the way page composition does; returns the type-5 reads.
    struct TrueTypeRead {
        LOGFONTW lf;
        DWORD x, y;
        std::vector<BYTE> text;
    };
    std::vector<TrueTypeRead> ReadBack() {
        std::vector<TrueTypeRead> reads;
        DWORD index = 0;
        while (index < m_pdev->dwTxtBufSize()) {
            LOGFONTW lf = {};
            std::vector<BYTE> text(FONT_RECORD_TEXT_BUF_SIZE, 0);
            DWORD x = 0, y = 0;
            const BYTE type = m_pdev->pTxtBufStart[index];
            index = ExtractFontInfoFromBuf(&m_devobj, index, &lf, &x, &y, text);
            if (index == 0) break;
            if (type == FTYPE_TRUETYPE) reads.push_back({lf, x, y, std::move(text)});
            ++index;
        }
        return reads;
    }

    std::filesystem::path m_root;
    std::unique_ptr<OemPDEV> m_pdev;
    DEVOBJ m_devobj = {};
    SURFOBJ m_surf = {};
    static inline int s_counter = 0;
};

}  // namespace texttest
