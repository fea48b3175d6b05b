#include "ImagingFixture.h"

#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "oemuni/frame/DebugLog.h"
#include "platform/MachineRoot.h"

namespace imaging_test {

const std::filesystem::path& TestMachineRoot() {
    static const std::filesystem::path root = [] {
        auto dir = std::filesystem::temp_directory_path() / ("mkt-imaging-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "C" / "temp" / "MKT-G450");
        plat::SetMachineRoot(dir);
        DisableDebugLog();
        return dir;
    }();
    return root;
}

TestDevice::TestDevice() {
    TestMachineRoot();
    devobj.dwSize = sizeof(DEVOBJ);
    devobj.pdevOEM = &pdev;
    pdev.pJobOutput = &job;
    palette.entries.resize(256);
    for (int i = 0; i < 256; ++i) {
        palette.entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    }
    pdev.hPalette = &palette;
    setting(35) = 10;
    setting(36) = 1;
    setting(31) = 1;
    setting(19) = 1;
}

Bytes TestDevice::Output() const {
    const auto s = job.buffer().span();
    return Bytes(s.begin(), s.end());
}

CxImage Make1Bit(DWORD width, DWORD height, const std::function<bool(DWORD, DWORD)>& ink) {
    CxImage image;
    image.Create(width, height, 1, CXIMAGE_FORMAT_BMP);
    const RGBQUAD pal[2] = {RgbQuad(0, 0, 0), RgbQuad(255, 255, 255)};
    image.SetPalette(pal);
    for (DWORD y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(y);
        std::fill(row, row + image.GetStride(), BYTE{0xFF});
        for (DWORD x = 0; x < width; ++x) {
            if (ink(x, y)) row[x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
        }
    }
    return image;
}

CxImage Make8BitGrey(DWORD width, DWORD height, const std::function<BYTE(DWORD, DWORD)>& level) {
    CxImage image;
    image.Create(width, height, 8, CXIMAGE_FORMAT_BMP);
    std::vector<RGBQUAD> pal(256);
    for (int i = 0; i < 256; ++i) pal[i] = RgbQuad(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i));
    image.SetPalette(pal);
    for (DWORD y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(y);
        for (DWORD x = 0; x < width; ++x) row[x] = level(x, y);
    }
    return image;
}

CxImage MakeRandomImage(std::mt19937& rng, DWORD width, DWORD height, WORD bpp, double white) {
    CxImage image;
    image.Create(width, height, bpp, CXIMAGE_FORMAT_BMP);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const DWORD entries = image.GetNumColors();
    if (entries != 0) {
        std::vector<RGBQUAD> pal(entries);
        for (auto& e : pal) {
            // Favour values near the 128 and grey thresholds as well as pure black and white.
            auto pick = [&]() -> BYTE {
                switch (byte(rng) % 4) {
                case 0: return static_cast<BYTE>(127 + byte(rng) % 3);
                case 1: return static_cast<BYTE>(byte(rng) % 2 ? 255 : 0);
                default: return static_cast<BYTE>(byte(rng));
                }
            };
            e = RgbQuad(pick(), pick(), pick());
        }
        pal[entries - 1] = RgbQuad(255, 255, 255);
        image.SetPalette(pal);
    }
    for (DWORD y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(y);
        for (DWORD i = 0; i < image.GetStride(); ++i) row[i] = static_cast<BYTE>(byte(rng));
        for (DWORD x = 0; x < width; ++x) {
            if (unit(rng) >= white) continue;
            if (bpp == 24) {
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 0xFF;
            } else {
                image.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y), static_cast<BYTE>(entries - 1));
            }
        }
    }
    return image;
}

Bytes DeviceRecord(BYTE type, WORD height, WORD y, const Bytes& fieldA, const Bytes& fieldB, WORD x) {
    Bytes r(21, 0);
    r[0] = type;
    r[1] = static_cast<BYTE>(height & 0xFF);
    r[2] = static_cast<BYTE>(height >> 8);
    r[6] = 0x90;
    r[7] = 0x01;  // weight 400
    r[13] = static_cast<BYTE>(x & 0xFF);
    r[14] = static_cast<BYTE>(x >> 8);
    r[15] = static_cast<BYTE>(y & 0xFF);
    r[16] = static_cast<BYTE>(y >> 8);
    r[17] = static_cast<BYTE>(fieldA.size() & 0xFF);
    r[18] = static_cast<BYTE>(fieldA.size() >> 8);
    r[19] = static_cast<BYTE>(fieldB.size() & 0xFF);
    r[20] = static_cast<BYTE>(fieldB.size() >> 8);
    r.insert(r.end(), fieldA.begin(), fieldA.end());
    r.insert(r.end(), fieldB.begin(), fieldB.end());
    return r;
}

Bytes ImageRect(WORD left, WORD top, WORD right, WORD bottom) {
    return {static_cast<BYTE>(left & 0xFF),  static_cast<BYTE>(left >> 8),  static_cast<BYTE>(top & 0xFF),
            static_cast<BYTE>(top >> 8),     static_cast<BYTE>(right & 0xFF), static_cast<BYTE>(right >> 8),
            static_cast<BYTE>(bottom & 0xFF), static_cast<BYTE>(bottom >> 8)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes ReferenceRunLength(const Bytes& in) {
    Bytes out;
    size_t i = 0;
    while (i < in.size()) {
        const BYTE b = in[i];
        if (b == 0x00 || b == 0xFF) {
            size_t count = 0;
            while (i < in.size() && in[i] == b && count < 255) {
                ++count;
                ++i;
            }
            out.push_back(b);
            out.push_back(static_cast<BYTE>(count));
        } else {
            out.push_back(b);
            ++i;
        }
    }
    return out;
}

namespace {

int ReferenceLevel(const RGBQUAD& c) {
    const int g = static_cast<int>(0.587 * c.rgbGreen + 0.299 * c.rgbRed + 0.114 * c.rgbBlue);
    const int bounds[] = {255, 219, 182, 146, 91, 55, 36, 18};
    const int levels[] = {0, 5, 6, 7, 8, 9, 10, 11};
    for (int i = 0; i < 8; ++i) {
        if (g >= bounds[i]) return levels[i];
    }
    return 12;
}

}  // namespace

Bytes ReferenceRaster(const CxImage& image, DWORD first, DWORD rows, bool compressed, bool fourLevel,
                      const Bytes& imageRects) {
    const DWORD W = image.GetWidth();
    const DWORD H = image.GetHeight();
    const DWORD wb = (W + 7) / 8;
    const int planes = fourLevel ? 4 : 1;
    const size_t rectCount = imageRects.size() / 8;
    auto rectTop = [&](size_t i) { return imageRects[8 * i + 2] | (imageRects[8 * i + 3] << 8); };
    auto rectBottom = [&](size_t i) { return imageRects[8 * i + 6] | (imageRects[8 * i + 7] << 8); };

    Bytes out;
    DWORD y0 = first;
    DWORD remaining = rows;
    while (remaining > 0) {
        const DWORD n = std::min<DWORD>(remaining, 246);
        std::vector<Bytes> plane(planes, Bytes(wb * n, 0));
        size_t searchStart = 0;
        for (DWORD r = 0; r < n; ++r) {
            const DWORD y = y0 + r;
            bool inside = false;
            if (fourLevel) {
                for (size_t i = searchStart; i < rectCount; ++i) {
                    if (static_cast<DWORD>(rectTop(i)) <= y && y <= static_cast<DWORD>(rectBottom(i))) {
                        inside = true;
                        searchStart = i;
                        break;
                    }
                }
            }
            if (y >= H) continue;  // no dots below the image
            for (DWORD x = 0; x < W; ++x) {
                const RGBQUAD c = image.GetPixelColor(static_cast<LONG>(x), static_cast<LONG>(y));
                int v;
                if (!fourLevel) {
                    v = (c.rgbRed < 128 || c.rgbGreen < 128 || c.rgbBlue < 128) ? 1 : 0;
                } else {
                    const int level = ReferenceLevel(c);
                    v = inside ? level : (level >= 8 ? 15 : 0);
                }
                for (int p = 0; p < planes; ++p) {
                    const int bit = fourLevel ? (v >> (3 - p)) & 1 : v;
                    if (bit) plane[p][r * wb + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
            }
        }
        for (int p = 0; p < planes; ++p) {
            if (compressed) {
                const DWORD dots = wb * 8;
                Bytes head = {0, 0, 0, 0x08, 0x43, 0x52, static_cast<BYTE>(fourLevel ? 4 + p : 0), 0, 0, 0, 0,
                              static_cast<BYTE>(dots & 0xFF), static_cast<BYTE>((dots >> 8) & 0xFF),
                              static_cast<BYTE>(n), 0};
                out.insert(out.end(), head.begin(), head.end());
                const Bytes coded = ReferenceRunLength(plane[p]);
                out.insert(out.end(), coded.begin(), coded.end());
            } else {
                Bytes head = {0, 0, 0, 0x1B, 0x4A, 0, 0x1D, 0x76, 0x30, 0,
                              static_cast<BYTE>(wb & 0xFF), static_cast<BYTE>((wb >> 8) & 0xFF),
                              static_cast<BYTE>(n), 0};
                out.insert(out.end(), head.begin(), head.end());
                out.insert(out.end(), plane[p].begin(), plane[p].end());
                out.push_back(0);
            }
        }
        if (compressed) {
            const Bytes trailer = {0x08, 0x43, 0x52, 0xFF, 0x00, 0x00};
            out.insert(out.end(), trailer.begin(), trailer.end());
        }
        y0 += n;
        remaining -= n;
    }
    return out;
}

}  // namespace imaging_test
