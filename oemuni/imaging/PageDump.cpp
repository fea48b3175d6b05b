#include "oemuni/imaging/PageDump.h"

#include <cstdio>

#include "oemuni/frame/CurrentJob.h"
#include "oemuni/frame/DebugLog.h"
#include "oemuni/imaging/image/CxImage.h"
#include "oemuni/imaging/image/ImageStream.h"
#include "platform/Files.h"
#include "platform/LocalTime.h"

namespace {

// A write-only stream over a platform file handle: only Write is used by the BMP writer, the
// other operations answer as a stream without a file does.
class HandleStream final : public ImageStream {
public:
    explicit HandleStream(HANDLE h) : m_h(h) {}
    bool Close() override { return false; }
    size_t Read(void*, size_t, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        if (size == 0 || count == 0) return 0;
        DWORD written = 0;
        const size_t total = size * count;
        if (total > 0xFFFFFFFFu) return 0;
        if (!WriteFile(m_h, buffer, static_cast<DWORD>(total), &written, nullptr)) return written / size;
        return written / size;
    }
    bool Seek(long, int) override { return false; }
    long Tell() override { return -1; }
    long Size() override { return -1; }
    bool Flush() override { return false; }
    bool Eof() override { return false; }
    long Error() override { return 0; }
    long GetC() override { return -1; }
    char* GetS(char*, int) override { return nullptr; }
    long Scanf(const char*, void*) override { return 0; }

private:
    HANDLE m_h;
};

}  // namespace

std::string PageDumpPath(DWORD dwJobId) {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    // The name is kept to a 32-byte buffer: a job identifier of more than 5 digits cuts the
    // end of the name.
    char szFormatted[64];
    std::snprintf(szFormatted, sizeof szFormatted, "%s_%02u%02u_%02u%02u_%05u.bmp", "MKT-G450",
                  static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wDay), static_cast<unsigned>(st.wHour),
                  static_cast<unsigned>(st.wMinute), static_cast<unsigned>(dwJobId));
    const std::string szName = std::string(szFormatted).substr(0, 31);
    return std::string("c:\\temp\\") + "MKT-G450" + "\\" + szName;
}

void WritePageDumpIfDue(const OemPDEV* pOemPDEV, CxImage& image) {
    const DWORD dwJobId = GetCurrentJobId();
    if (pOemPDEV == nullptr || !IsDebugLogEnabled() || dwJobId == 0) return;
    const std::string path = PageDumpPath(dwJobId);
    const std::u16string widePath(path.begin(), path.end());  // the path is plain ASCII
    FileHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return;
    HandleStream stream(file.get());
    image.WriteBmp(&stream);
}
