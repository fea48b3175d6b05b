// Test support for page imaging: a device with its own job output, page images built pixel by
// pixel, device records in the record format, and slow pixel-by-pixel references of the
// raster commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

#include "oemuni/frame/OemPDEV.h"
#include "oemuni/imaging/image/CxImage.h"
#include "oemuni/job/JobOutput.h"

namespace imaging_test {

using Bytes = std::vector<BYTE>;

// A fresh machine root for the test program (created once; logging switched off).
const std::filesystem::path& TestMachineRoot();

// One enabled device: DEVOBJ -> OemPDEV -> JobOutput, settings at their table defaults for
// the bytes page imaging reads (compressed raster, density 10, ticket media).
struct TestDevice {
    DEVOBJ devobj{};
    OemPDEV pdev;
    JobOutput job;
    PALETTE palette;  // the device's default palette: grey, entry i = (i, i, i)

    TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    PDEVOBJ dev() { return &devobj; }
    BYTE& setting(int n) { return pdev.m_UIInfo.byteValue[n]; }
    Bytes Output() const;
    void ClearOutput() { job.m_pTotalBuf.release(); }
};

// A 1-bit page image (palette black, white); ink(x, y) true makes the pixel black.
CxImage Make1Bit(DWORD width, DWORD height, const std::function<bool(DWORD, DWORD)>& ink);
// An 8-bit image with the grey palette; level(x, y) gives the index.
CxImage Make8BitGrey(DWORD width, DWORD height, const std::function<BYTE(DWORD, DWORD)>& level);
// A random image of the given depth (1, 4, 8 or 24) with a random palette; `white` is the
// share of pure white pixels.
CxImage MakeRandomImage(std::mt19937& rng, DWORD width, DWORD height, WORD bpp, double white);

// A device record: type, height, X, Y, field A, field B.
Bytes DeviceRecord(BYTE type, WORD height, WORD y, const Bytes& fieldA, const Bytes& fieldB, WORD x = 0);
// An image rectangle record (left, top, right, bottom).
Bytes ImageRect(WORD left, WORD top, WORD right, WORD bottom);
Bytes Concat(std::initializer_list<Bytes> parts);

// Slow, obviously correct reference of the raster commands of rows [first, first + rows):
// every pixel read through GetPixelColor, rows at or beyond the height print no dots, the
// image-area search and the run-length code done the plain way.
Bytes ReferenceRaster(const CxImage& image, DWORD first, DWORD rows, bool compressed, bool fourLevel,
                      const Bytes& imageRects = {});
Bytes ReferenceRunLength(const Bytes& in);

}  // namespace imaging_test
