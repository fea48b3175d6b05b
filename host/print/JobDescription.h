// A print job as the host understands it: where it goes, the printer data it starts from, and
// the pages with their drawing operations. Built from a JSON job description or from a plain
// page file (JobInput.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/print/GreyImage.h"

namespace mkt::host {

inline constexpr const char* kDefaultPrinterName = "VARNOKE MKT-G450";
inline constexpr int kDefaultPageWidth = 576;
inline constexpr int kDefaultBandHeight = 256;

// A printer data value under "PrinterDriverData\Properties": its bytes, or missing.
struct PrinterDataValue {
    std::string name;
    std::optional<std::vector<std::uint8_t>> bytes;  // nullopt: the value is absent
};

// A file placed into the machine root before the job.
struct MachineFile {
    std::u16string windowsPath;
    std::vector<std::uint8_t> content;
};

// The public DEVMODE fields a job may set; everything else takes ordinary defaults.
struct DevModeFields {
    int copies = 1;
    int orientation = 1;  // 1 portrait, 2 landscape
    int yResolution = 203;
    int printQuality = 203;
    int paperSize = 0;
    int paperWidth = 720;    // tenths of a millimetre: 72 mm of printable roll
    int paperLength = 2970;
    int scale = 100;
    int defaultSource = 0;
    int color = 1;
    int duplex = 1;
    int ttOption = 0;
    int collate = 0;
};

enum class DrawKind { Text, Image, Fill };
enum class BlitCall { BitBlt, StretchBlt, StretchBltROP };

struct DrawOp {
    DrawKind kind = DrawKind::Fill;
    int x = 0;
    int y = 0;
    // text
    std::string font;        // the family name, exactly as written in the job (UTF-8)
    std::u16string text;
    int size = 24;           // font height in dots
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int charset = 0;
    int pitchAndFamily = 0;
    bool device = false;     // classified (or forced) as a device font
    // image and fill
    int width = 0;
    int height = 0;
    BlitCall call = BlitCall::BitBlt;
    std::shared_ptr<const GreyImage> image;  // the decoded source image
    int gray = 0;

    // The lowest row this operation touches (exclusive), for the default page height.
    int Bottom() const;
};

struct PageDescription {
    int height = 0;  // rows of the page
    std::vector<DrawOp> draw;
};

// Spooler behaviour for tests: how many bytes each DrvWriteSpoolBuf call accepts.
struct SpoolFaults {
    std::uint32_t maxPerCall = 0;                 // 0: no limit
    std::optional<std::uint64_t> failAfter;       // calls fail (E_FAIL) once this many bytes were accepted
    std::optional<std::uint64_t> zeroAfter;       // calls accept 0 bytes with S_OK from then on
};

struct JobDescription {
    std::filesystem::path source;  // the job file (for messages and relative paths)
    std::string printer = kDefaultPrinterName;
    std::uint32_t jobId = 1;
    std::string document;
    std::optional<std::string> time;  // "YYYY-MM-DDTHH:MM:SS"

    std::vector<PrinterDataValue> printerData;
    std::optional<std::vector<std::u16string>> textKeys;  // nullopt: the key is not written
    std::vector<MachineFile> files;
    // Answers of DrvGetDriverSetting; a nullopt answer makes the query fail.
    std::map<std::string, std::optional<std::string>> features = {
        {"InputBin", "Option1"}, {"Orientation", "PORTRAIT"}};
    DevModeFields devmode;

    int pageWidth = kDefaultPageWidth;
    int bitsPerPixel = 1;
    int bandHeight = kDefaultBandHeight;
    std::vector<PageDescription> pages;

    SpoolFaults spooler;
};

}  // namespace mkt::host
