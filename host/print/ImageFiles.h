// Decoding of the page and image files a job may name: PNG (libpng), PBM/PGM (P1, P2, P4, P5)
// and PDF (poppler), all turned into 8-bit grey. Failures throw JobError naming the file.
#pragma once

#include <filesystem>
#include <vector>

#include "host/print/GreyImage.h"

namespace mkt::host {

// Grey level of a colour: (299 R + 587 G + 114 B + 500) / 1000.
std::uint8_t GreyOf(unsigned r, unsigned g, unsigned b);

// A PNG in any colour type, alpha composed over white, then converted with GreyOf.
GreyImage LoadPng(const std::filesystem::path& file);

// A portable bitmap or grey map (plain or raw). Bitmap 1 is black; grey maps are scaled from
// their maximum value to 0..255.
GreyImage LoadPnm(const std::filesystem::path& file);

// Every page of a PDF, rendered so that the page is `width` dots wide.
std::vector<GreyImage> LoadPdfPages(const std::filesystem::path& file, int width);

// Nearest-neighbour scaling: source = destination * source size / destination size.
GreyImage ScaleNearest(const GreyImage& src, int width, int height);

}  // namespace mkt::host
