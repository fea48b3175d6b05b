#include "host/print/JobInput.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>

#include <nlohmann/json.hpp>

#include "host/print/DeviceFontNames.h"
#include "host/print/HexBytes.h"
#include "host/print/ImageFiles.h"
#include "host/print/JobError.h"
#include "host/print/PageRaster.h"
#include "host/print/Utf.h"

namespace mkt::host {
namespace {

using json = nlohmann::json;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Parsing context: the job file for messages and the folder for relative paths.
class Parser {
public:
    Parser(std::filesystem::path source, std::filesystem::path baseDir)
        : m_source(std::move(source)), m_base(std::move(baseDir)) {}

    [[noreturn]] void Fail(const std::string& where, const std::string& problem) const {
        throw JobError(m_source.string(), where.empty() ? problem : where + ": " + problem);
    }

    long long Int(const json& v, const std::string& where, long long lo, long long hi) const {
        if (!v.is_number_integer()) Fail(where, "an integer is expected");
        long long n = v.is_number_unsigned()
                          ? static_cast<long long>(std::min<unsigned long long>(v.get<unsigned long long>(),
                                                                                std::numeric_limits<long long>::max()))
                          : v.get<long long>();
        if (n < lo || n > hi) {
            Fail(where, "value " + std::to_string(n) + " out of range " + std::to_string(lo) + " to " + std::to_string(hi));
        }
        return n;
    }

    std::string String(const json& v, const std::string& where) const {
        if (!v.is_string()) Fail(where, "a string is expected");
        return v.get<std::string>();
    }

    bool Bool(const json& v, const std::string& where) const {
        if (!v.is_boolean()) Fail(where, "true or false is expected");
        return v.get<bool>();
    }

    std::vector<std::uint8_t> Hex(const json& v, const std::string& where) const {
        auto bytes = ParseHexBytes(String(v, where));
        if (!bytes) Fail(where, "not a hex string of whole bytes");
        return *bytes;
    }

    std::filesystem::path Resolve(const std::string& rel) const {
        std::filesystem::path p(rel);
        return p.is_absolute() ? p : m_base / p;
    }

    std::vector<std::uint8_t> ReadFile(const std::string& rel, const std::string& where) const {
        const std::filesystem::path p = Resolve(rel);
        std::ifstream in(p, std::ios::binary);
        if (!in) Fail(where, "cannot read " + p.string());
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::shared_ptr<const GreyImage> Image(const std::string& rel, const std::string& where) {
        auto cached = m_images.find(rel);
        if (cached != m_images.end()) return cached->second;
        const std::filesystem::path p = Resolve(rel);
        if (!std::filesystem::is_regular_file(p)) Fail(where, "image file not found: " + p.string());
        const std::string ext = Lower(p.extension().string());
        GreyImage img;
        try {
            if (ext == ".pbm" || ext == ".pgm") {
                img = LoadPnm(p);
            } else {
                img = LoadPng(p);
            }
        } catch (const JobError& e) {
            Fail(where, e.Line());
        }
        auto shared = std::make_shared<const GreyImage>(std::move(img));
        m_images.emplace(rel, shared);
        return shared;
    }

    void CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> allowed) const {
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            if (it.key().starts_with("_") || it.key() == "comment") continue;
            bool known = false;
            for (const char* a : allowed) known = known || it.key() == a;
            if (!known) Fail(where, "unknown field \"" + it.key() + "\"");
        }
    }

    const std::filesystem::path& source() const { return m_source; }

private:
    std::filesystem::path m_source;
    std::filesystem::path m_base;
    std::map<std::string, std::shared_ptr<const GreyImage>> m_images;
};

void ParsePrinterData(Parser& p, const json& obj, JobDescription& job) {
    if (!obj.is_object()) p.Fail("printerData", "an object is expected");
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const std::string where = "printerData." + it.key();
        PrinterDataValue value{it.key(), std::nullopt};
        const json& v = it.value();
        if (v.is_null()) {
            // absent: the plug-in uses its defaults
        } else if (it.key() == "MISC" && v.is_object()) {
            auto bytes = DefaultSettingsBytes();
            for (auto b = v.begin(); b != v.end(); ++b) {
                int n = -1;
                try {
                    std::size_t used = 0;
                    n = std::stoi(b.key(), &used);
                    if (used != b.key().size()) n = -1;
                } catch (...) {
                    n = -1;
                }
                if (n < 0 || n >= kSettingsByteCount) p.Fail(where, "settings byte \"" + b.key() + "\" is not 0 to 46");
                bytes[static_cast<std::size_t>(n)] =
                    static_cast<std::uint8_t>(p.Int(b.value(), where + "." + b.key(), 0, 255));
            }
            value.bytes.emplace(bytes.begin(), bytes.end());
        } else if (it.key() == "MISC" && v.is_array()) {
            std::vector<std::uint8_t> bytes;
            for (std::size_t i = 0; i < v.size(); ++i) {
                bytes.push_back(static_cast<std::uint8_t>(p.Int(v[i], where + "[" + std::to_string(i) + "]", 0, 255)));
            }
            value.bytes = std::move(bytes);
        } else {
            value.bytes = p.Hex(v, where);
        }
        job.printerData.push_back(std::move(value));
    }
}

void ParseDevMode(Parser& p, const json& obj, DevModeFields& dm) {
    if (!obj.is_object()) p.Fail("devmode", "an object is expected");
    struct Field {
        const char* name;
        int DevModeFields::*member;
        long long lo, hi;
    };
    static const Field kFields[] = {
        {"copies", &DevModeFields::copies, -32768, 32767},
        {"orientation", &DevModeFields::orientation, 1, 2},
        {"yResolution", &DevModeFields::yResolution, -32768, 32767},
        {"printQuality", &DevModeFields::printQuality, -32768, 32767},
        {"paperSize", &DevModeFields::paperSize, -32768, 32767},
        {"paperWidth", &DevModeFields::paperWidth, -32768, 32767},
        {"paperLength", &DevModeFields::paperLength, -32768, 32767},
        {"scale", &DevModeFields::scale, -32768, 32767},
        {"defaultSource", &DevModeFields::defaultSource, -32768, 32767},
        {"color", &DevModeFields::color, -32768, 32767},
        {"duplex", &DevModeFields::duplex, -32768, 32767},
        {"ttOption", &DevModeFields::ttOption, -32768, 32767},
        {"collate", &DevModeFields::collate, -32768, 32767},
    };
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        std::string key = it.key();
        if (key.starts_with("_") || key == "comment") continue;
        if (key.size() > 2 && key.starts_with("dm")) {
            key = key.substr(2);
            key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
        }
        const Field* field = nullptr;
        for (const Field& f : kFields) {
            if (key == f.name) field = &f;
        }
        if (!field) p.Fail("devmode", "unknown field \"" + it.key() + "\"");
        dm.*(field->member) = static_cast<int>(p.Int(it.value(), "devmode." + it.key(), field->lo, field->hi));
    }
}

DrawOp ParseDrawOp(Parser& p, const json& obj, const std::string& where) {
    if (!obj.is_object()) p.Fail(where, "an object is expected");
    if (!obj.contains("op")) p.Fail(where, "field \"op\" is missing");
    const std::string op = p.String(obj["op"], where + ".op");
    DrawOp d;
    auto intField = [&](const char* name, int& out, long long lo, long long hi) {
        if (obj.contains(name)) out = static_cast<int>(p.Int(obj[name], where + "." + name, lo, hi));
    };
    constexpr long long kCoord = 1'000'000;
    intField("x", d.x, -kCoord, kCoord);
    intField("y", d.y, -kCoord, kCoord);
    if (op == "text") {
        d.kind = DrawKind::Text;
        p.CheckKeys(obj, where, {"op", "font", "x", "y", "size", "text", "weight", "italic", "underline",
                                 "strikeout", "charset", "pitch", "device"});
        if (!obj.contains("font")) p.Fail(where, "field \"font\" is missing");
        if (!obj.contains("text")) p.Fail(where, "field \"text\" is missing");
        d.font = p.String(obj["font"], where + ".font");
        d.text = Utf8ToUtf16(p.String(obj["text"], where + ".text"));
        intField("size", d.size, 1, 4096);
        intField("weight", d.weight, 0, 1000);
        intField("charset", d.charset, 0, 255);
        intField("pitch", d.pitchAndFamily, 0, 255);
        if (obj.contains("italic")) d.italic = p.Bool(obj["italic"], where + ".italic");
        if (obj.contains("underline")) d.underline = p.Bool(obj["underline"], where + ".underline");
        if (obj.contains("strikeout")) d.strikeout = p.Bool(obj["strikeout"], where + ".strikeout");
        d.device = obj.contains("device") ? p.Bool(obj["device"], where + ".device") : IsDeviceFontName(d.font);
    } else if (op == "image") {
        d.kind = DrawKind::Image;
        p.CheckKeys(obj, where, {"op", "src", "x", "y", "width", "height", "call"});
        if (!obj.contains("src")) p.Fail(where, "field \"src\" is missing");
        d.image = p.Image(p.String(obj["src"], where + ".src"), where + ".src");
        d.width = d.image->width;
        d.height = d.image->height;
        intField("width", d.width, 1, kCoord);
        intField("height", d.height, 1, kCoord);
        if (obj.contains("call")) {
            const std::string call = p.String(obj["call"], where + ".call");
            if (call == "BitBlt") {
                d.call = BlitCall::BitBlt;
            } else if (call == "StretchBlt") {
                d.call = BlitCall::StretchBlt;
            } else if (call == "StretchBltROP") {
                d.call = BlitCall::StretchBltROP;
            } else {
                p.Fail(where + ".call", "unknown value \"" + call + "\" (BitBlt, StretchBlt or StretchBltROP)");
            }
        }
    } else if (op == "fill") {
        d.kind = DrawKind::Fill;
        p.CheckKeys(obj, where, {"op", "x", "y", "width", "height", "gray"});
        if (!obj.contains("width") || !obj.contains("height")) p.Fail(where, "fields \"width\" and \"height\" are required");
        intField("width", d.width, 0, kCoord);
        intField("height", d.height, 0, kCoord);
        intField("gray", d.gray, 0, 255);
    } else {
        p.Fail(where + ".op", "unknown value \"" + op + "\" (text, image or fill)");
    }
    return d;
}

void CheckPageSize(Parser& p, const std::string& where, long long width, long long height) {
    if (static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) > kMaxPageBytes) {
        p.Fail(where, "page too large to allocate (" + std::to_string(width) + " x " + std::to_string(height) + " dots)");
    }
}

std::string ReadText(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) throw JobError(file.string(), "file not found");
    if (std::filesystem::is_directory(file, ec)) throw JobError(file.string(), "is a folder, not a job file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw JobError(file.string(), "cannot open the file");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int DrawOp::Bottom() const {
    switch (kind) {
        case DrawKind::Text: return y + size;
        case DrawKind::Image:
        case DrawKind::Fill: return y + height;
    }
    return y;
}

std::array<std::uint8_t, kSettingsByteCount> DefaultSettingsBytes() {
    std::array<std::uint8_t, kSettingsByteCount> b{};
    b[2] = 25;
    b[4] = 25;
    b[5] = 1;
    b[7] = 25;
    b[9] = 25;
    b[11] = 25;
    b[13] = 25;
    b[19] = 1;
    b[20] = 1;
    b[35] = 10;
    b[36] = 1;
    b[37] = 1;
    return b;
}

JobDescription ParseJobJson(std::string_view text, const std::filesystem::path& source,
                            const std::filesystem::path& baseDir) {
    Parser p(source, baseDir);
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        std::string what = e.what();
        const auto close = what.find("] ");
        if (what.starts_with("[json.exception") && close != std::string::npos) what = what.substr(close + 2);
        p.Fail("", "invalid JSON: " + what);
    }
    if (!root.is_object()) p.Fail("", "a JSON object is expected at the top level");
    p.CheckKeys(root, "", {"printer", "jobId", "document", "time", "printerData", "textKeys", "files",
                           "features", "devmode", "page", "pages", "spooler"});
    JobDescription job;
    job.source = source;
    job.document = source.filename().string();
    if (root.contains("printer")) {
        job.printer = p.String(root["printer"], "printer");
        if (job.printer.empty()) p.Fail("printer", "the printer name is empty");
    }
    if (root.contains("jobId")) job.jobId = static_cast<std::uint32_t>(p.Int(root["jobId"], "jobId", 0, 0xFFFFFFFFLL));
    if (root.contains("document")) job.document = p.String(root["document"], "document");
    if (root.contains("time") && !root["time"].is_null()) job.time = p.String(root["time"], "time");
    if (root.contains("printerData")) ParsePrinterData(p, root["printerData"], job);
    if (root.contains("textKeys") && !root["textKeys"].is_null()) {
        const json& keys = root["textKeys"];
        if (!keys.is_array()) p.Fail("textKeys", "an array of strings is expected");
        if (keys.size() > 100) p.Fail("textKeys", "at most 100 key records (TextKey00 to TextKey99)");
        job.textKeys.emplace();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            job.textKeys->push_back(Utf8ToUtf16(p.String(keys[i], "textKeys[" + std::to_string(i) + "]")));
        }
    }
    if (root.contains("files")) {
        const json& files = root["files"];
        if (!files.is_object()) p.Fail("files", "an object is expected");
        for (auto it = files.begin(); it != files.end(); ++it) {
            const std::string where = "files[\"" + it.key() + "\"]";
            MachineFile f{Utf8ToUtf16(it.key()), {}};
            if (it.value().is_object()) {
                p.CheckKeys(it.value(), where, {"path"});
                if (!it.value().contains("path")) p.Fail(where, "field \"path\" is missing");
                f.content = p.ReadFile(p.String(it.value()["path"], where + ".path"), where);
            } else {
                f.content = p.Hex(it.value(), where);
            }
            job.files.push_back(std::move(f));
        }
    }
    if (root.contains("features")) {
        const json& features = root["features"];
        if (!features.is_object()) p.Fail("features", "an object is expected");
        for (auto it = features.begin(); it != features.end(); ++it) {
            if (it.value().is_null()) {
                job.features[it.key()] = std::nullopt;
            } else {
                job.features[it.key()] = p.String(it.value(), "features." + it.key());
            }
        }
    }
    if (root.contains("devmode")) ParseDevMode(p, root["devmode"], job.devmode);
    // A landscape DEVMODE selects the rotated orientation unless the job answers the query itself.
    const bool orientationGiven = root.contains("features") && root["features"].contains("Orientation");
    if (job.devmode.orientation == 2 && !orientationGiven) job.features["Orientation"] = "LANDSCAPE_CC270";
    if (root.contains("page")) {
        const json& page = root["page"];
        if (!page.is_object()) p.Fail("page", "an object is expected");
        p.CheckKeys(page, "page", {"width", "bitsPerPixel", "bandHeight"});
        if (page.contains("width")) job.pageWidth = static_cast<int>(p.Int(page["width"], "page.width", 1, 65535));
        if (page.contains("bitsPerPixel")) {
            const long long bpp = p.Int(page["bitsPerPixel"], "page.bitsPerPixel", 0, 64);
            if (bpp != 1 && bpp != 8) p.Fail("page.bitsPerPixel", "unknown value " + std::to_string(bpp) + " (1 or 8)");
            job.bitsPerPixel = static_cast<int>(bpp);
        }
        if (page.contains("bandHeight")) {
            job.bandHeight = static_cast<int>(p.Int(page["bandHeight"], "page.bandHeight", 1, 65535));
        }
    }
    if (root.contains("spooler")) {
        const json& s = root["spooler"];
        if (!s.is_object()) p.Fail("spooler", "an object is expected");
        p.CheckKeys(s, "spooler", {"maxPerCall", "failAfter", "zeroAfter"});
        if (s.contains("maxPerCall")) job.spooler.maxPerCall = static_cast<std::uint32_t>(p.Int(s["maxPerCall"], "spooler.maxPerCall", 0, 0xFFFFFFFFLL));
        if (s.contains("failAfter")) job.spooler.failAfter = static_cast<std::uint64_t>(p.Int(s["failAfter"], "spooler.failAfter", 0, std::numeric_limits<long long>::max()));
        if (s.contains("zeroAfter")) job.spooler.zeroAfter = static_cast<std::uint64_t>(p.Int(s["zeroAfter"], "spooler.zeroAfter", 0, std::numeric_limits<long long>::max()));
    }
    if (root.contains("pages")) {
        const json& pages = root["pages"];
        if (!pages.is_array()) p.Fail("pages", "an array is expected");
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const std::string where = "pages[" + std::to_string(i) + "]";
            const json& page = pages[i];
            if (!page.is_object()) p.Fail(where, "an object is expected");
            p.CheckKeys(page, where, {"height", "draw"});
            PageDescription pageDesc;
            if (page.contains("draw")) {
                const json& draw = page["draw"];
                if (!draw.is_array()) p.Fail(where + ".draw", "an array is expected");
                for (std::size_t k = 0; k < draw.size(); ++k) {
                    pageDesc.draw.push_back(ParseDrawOp(p, draw[k], where + ".draw[" + std::to_string(k) + "]"));
                }
            }
            if (page.contains("height")) {
                pageDesc.height = static_cast<int>(p.Int(page["height"], where + ".height", 1, 0x7FFFFFFF));
            } else {
                int bottom = 1;
                for (const DrawOp& d : pageDesc.draw) bottom = std::max(bottom, d.Bottom());
                pageDesc.height = bottom;
            }
            CheckPageSize(p, where, job.pageWidth, pageDesc.height);
            job.pages.push_back(std::move(pageDesc));
        }
    }
    return job;
}

JobDescription JobFromPageImages(std::vector<GreyImage> pages, const std::filesystem::path& source, int width) {
    JobDescription job;
    job.source = source;
    job.document = source.filename().string();
    job.pageWidth = width;
    for (GreyImage& img : pages) {
        const long long height = std::max(1LL, static_cast<long long>(img.height) * width / std::max(1, img.width));
        if (static_cast<unsigned long long>(height) * static_cast<unsigned long long>(width) > kMaxPageBytes) {
            throw JobError(source.string(), "page too large to allocate (" + std::to_string(width) + " x " +
                                                std::to_string(height) + " dots)");
        }
        DrawOp d;
        d.kind = DrawKind::Image;
        d.width = width;
        d.height = static_cast<int>(height);
        d.image = std::make_shared<const GreyImage>(std::move(img));
        PageDescription page;
        page.height = d.height;
        page.draw.push_back(std::move(d));
        job.pages.push_back(std::move(page));
    }
    return job;
}

JobDescription LoadJob(const std::filesystem::path& file, const LoadOptions& options) {
    const std::string ext = Lower(file.extension().string());
    if (ext == ".json") {
        const std::string text = ReadText(file);
        std::filesystem::path base = file.parent_path();
        if (base.empty()) base = ".";
        return ParseJobJson(text, file, base);
    }
    if (options.width <= 0 || options.width > 65535) {
        throw JobError(file.string(), "printer width out of range");
    }
    ReadText(file);  // existence and readability, with the usual messages
    std::vector<GreyImage> pages;
    if (ext == ".png") {
        pages.push_back(LoadPng(file));
    } else if (ext == ".pbm" || ext == ".pgm") {
        pages.push_back(LoadPnm(file));
    } else if (ext == ".pdf") {
        pages = LoadPdfPages(file, options.width);
    } else {
        throw JobError(file.string(), "unknown kind of job file (.json, .png, .pbm, .pgm or .pdf expected)");
    }
    return JobFromPageImages(std::move(pages), file, options.width);
}

void ApplySetting(JobDescription& job, int n, int v) {
    if (n < 0 || n >= kSettingsByteCount) {
        throw JobError("--set", "settings byte " + std::to_string(n) + " is not 0 to 46");
    }
    if (v < 0 || v > 255) throw JobError("--set", "value " + std::to_string(v) + " is not 0 to 255");
    auto it = std::find_if(job.printerData.begin(), job.printerData.end(),
                           [](const PrinterDataValue& d) { return d.name == "MISC"; });
    if (it == job.printerData.end()) {
        job.printerData.push_back({"MISC", std::nullopt});
        it = job.printerData.end() - 1;
    }
    const auto defaults = DefaultSettingsBytes();
    if (!it->bytes) it->bytes.emplace(defaults.begin(), defaults.end());
    while (it->bytes->size() < static_cast<std::size_t>(n) + 1) it->bytes->push_back(defaults[it->bytes->size()]);
    (*it->bytes)[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(v);
}

}  // namespace mkt::host
