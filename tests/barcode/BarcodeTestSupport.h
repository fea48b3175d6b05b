// A device with the default barcode records in a fresh machine root, a printer queue for the
// text keys, files in the product folder and a spooler that keeps what it is given.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "TextTestSupport.h"
#include "oemuni/frame/SettingsDefaults.h"
#include "oemuni/text/BarcodeCommands.h"
#include "platform/Printers.h"
#include "platform/Registry.h"

namespace barcodetest {

using texttest::Ascii;
using texttest::Bytes;
using texttest::Concat;
using texttest::Record;

inline Bytes Hex(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<BYTE>(v));
    return out;
}

class BarcodeFixture : public texttest::TextCaptureTest {
protected:
    void SetUp() override {
        TextCaptureTest::SetUp();
        SetDefaultBarcodeInfo(m_pdev->m_UIInfo.byBarcodeInfo);
        SetDefaultCodeData(m_pdev->m_UIInfo.byCodeData);
        std::filesystem::create_directories(ProductFolder());
    }

    std::filesystem::path ProductFolder() const { return m_root / "C" / "Windows" / "MKT-G450"; }

    void PutFile(const std::filesystem::path& path, const Bytes& bytes) {
        std::filesystem::create_directories(path.parent_path());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    void PutImage(const std::string& name, const Bytes& bytes) { PutFile(ProductFolder() / (name + ".bin"), bytes); }

    // A 1D barcode built directly: the text in a buffer of `capacity` bytes.
    struct Built {
        DWORD result = 0;
        Bytes command;
        Bytes fieldB;
        DWORD height = 0;
        DWORD length = 0;
    };
    Built Build(const char* family, const std::string& text, LONG X = 0, float factor = 1.0f, DWORD capacity = 0,
                bool twoD = false, bool withState = true) {
        Built b;
        if (capacity == 0) capacity = static_cast<DWORD>(4 * text.size() + 1028);
        std::vector<BYTE> buffer(capacity, 0);
        std::copy(text.begin(), text.end(), buffer.begin());
        b.length = static_cast<DWORD>(text.size());
        b.height = 24;
        const DWORD type = GetBarcodeType(family);
        OemPDEV* state = withState ? m_pdev.get() : nullptr;
        if (twoD) {
            b.result = Get2dCodeCommand(state, b.command, family, buffer, b.length, capacity, type, b.height, X, factor);
        } else {
            b.result = Get1dCodeCommand(state, b.command, family, buffer, b.length, capacity, type, b.height, X, factor);
        }
        if (b.length <= buffer.size()) b.fieldB.assign(buffer.begin(), buffer.begin() + b.length);
        return b;
    }
};

// A printer queue whose "TextKeyFunction" key holds the key records.
class TextKeyFixture : public BarcodeFixture {
protected:
    void SetUp() override {
        BarcodeFixture::SetUp();
        const std::u16string queue = u"VARNOKE MKT-G450";
        ASSERT_EQ(plat::EnsurePrinterQueue(queue, u"VARNOKE MKT-G450", u"USB001"), 0);
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(queue.c_str(), m_printer.put(), &defaults));
        m_devobj.hPrinter = m_printer.get();
    }
    void SetRaw(const std::u16string& name, DWORD type, const Bytes& bytes) {
        ASSERT_EQ(SetPrinterDataExW(m_printer.get(), u"TextKeyFunction", name.c_str(), type, bytes.data(),
                                    static_cast<DWORD>(bytes.size())),
                  0u);
    }
    static std::u16string RecordName(size_t i) {
        char name[16];
        std::snprintf(name, sizeof name, "TextKey%02u", static_cast<unsigned>(i));
        return std::u16string(name, name + std::char_traits<char>::length(name));
    }
    static Bytes Utf16Le(const std::u16string& s, bool terminated = true) {
        Bytes out;
        for (char16_t c : s) {
            out.push_back(static_cast<BYTE>(c & 0xFF));
            out.push_back(static_cast<BYTE>(c >> 8));
        }
        if (terminated) out.insert(out.end(), {0, 0});
        return out;
    }
    void SetCount(DWORD count) {
        SetRaw(u"NumTextKey", REG_DWORD,
               Hex({int(count & 0xFF), int((count >> 8) & 0xFF), int((count >> 16) & 0xFF), int(count >> 24)}));
    }
    // "NumTextKey" = the number of records, "TextKeyNN" = each record, UTF-16LE with terminator.
    void SetKeys(const std::vector<std::u16string>& keys) {
        SetCount(static_cast<DWORD>(keys.size()));
        for (size_t i = 0; i < keys.size(); ++i) SetRaw(RecordName(i), REG_SZ, Utf16Le(keys[i]));
    }
    PrinterHandle m_printer;
};

// The host's service interface: keeps every spooler write.
class RecordingDriverUni final : public IPrintOemDriverUni {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override { return E_FAIL; }
    HRESULT DrvWriteSpoolBuf(PDEVOBJ, PVOID pBuffer, DWORD cbSize, PDWORD pdwResult) override {
        const BYTE* p = static_cast<const BYTE*>(pBuffer);
        const DWORD taken = acceptAtMost < cbSize ? acceptAtMost : cbSize;
        writes.emplace_back(p, p + taken);
        *pdwResult = taken;
        return S_OK;
    }
    std::vector<Bytes> writes;
    DWORD acceptAtMost = 0xFFFFFFFFu;
};

}  // namespace barcodetest
