// Reading a job: a JSON job description, or a plain page file (.png, .pbm/.pgm, .pdf) whose
// pages are scaled to the printer's width. Everything the job names (images, files) is read
// here, before the plug-in runs, so that unusable input stops the job before any output.
// Every problem throws JobError naming the file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "host/print/JobDescription.h"

namespace mkt::host {

inline constexpr int kSettingsByteCount = 47;

// The defaults of the 47 settings bytes (the values used when "MISC" is missing).
std::array<std::uint8_t, kSettingsByteCount> DefaultSettingsBytes();

struct LoadOptions {
    int width = kDefaultPageWidth;  // printer width for plain page files
};

// Reads the job file; the kind is chosen by the extension (case-insensitive).
JobDescription LoadJob(const std::filesystem::path& file, const LoadOptions& options = {});

// Parses a JSON job description; relative paths in it are resolved against `baseDir`.
JobDescription ParseJobJson(std::string_view text, const std::filesystem::path& source,
                            const std::filesystem::path& baseDir);

// A job made of one image page per entry (plain page files).
JobDescription JobFromPageImages(std::vector<GreyImage> pages, const std::filesystem::path& source, int width);

// Sets settings byte n (0..46) of "MISC": creates the value from the defaults when it is
// missing and extends a shorter value with the defaults. Throws JobError for n or v out of range.
void ApplySetting(JobDescription& job, int n, int v);

}  // namespace mkt::host
