#include "PreviewCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "PngWriter.h"

namespace mkt::preview {
namespace {

constexpr const char* kUsage =
    "usage: mkt450 preview STREAM.prn -o OUT.png [--width 576|512|384] [--levels 2|4] [--cjk 936|949|950]";

bool ParseInt(const char* s, long& out) {
  if (s == nullptr || *s == '\0') return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtol(s, &end, 10);
  return errno == 0 && end != nullptr && *end == '\0';
}

const char* KindName(MarkKind kind) {
  switch (kind) {
    case MarkKind::DrawerPulse:
    case MarkKind::Buzzer:
    case MarkKind::Command1B42: return "event";
    default: return nullptr;
  }
}

}  // namespace

int RenderToPng(std::span<const uint8_t> stream, const char* name, const char* pngPath,
                const RenderOptions& options) {
  const RenderResult result = RenderStream(stream, options);
  for (const PaperMark& m : result.marks) {
    if (KindName(m.kind) == nullptr) continue;
    std::fprintf(stderr, "%s: offset %zu: %s (paper row %d)\n", name, m.offset, m.label.c_str(), m.row);
  }
  for (const Diagnostic& d : result.diagnostics) {
    std::fprintf(stderr, "%s: offset %zu: %s\n", name, d.offset, d.message.c_str());
  }
  std::string error;
  if (!WritePreviewPng(pngPath, result, error)) {
    std::fprintf(stderr, "%s: %s\n", pngPath, error.c_str());
    return 1;
  }
  return 0;
}

int PreviewMain(int argc, char** argv) {
  const char* input = nullptr;
  const char* output = nullptr;
  RenderOptions options;
  // argv[0] is the program, argv[1] may be the word "preview".
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "preview") == 0) ++i;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    long value = 0;
    if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else if (arg == "--width" && i + 1 < argc) {
      if (!ParseInt(argv[++i], value) || (value != 576 && value != 512 && value != 384)) {
        std::fprintf(stderr, "mkt450 preview: --width must be 576, 512 or 384\n");
        return 2;
      }
      options.width = static_cast<int>(value);
    } else if (arg == "--levels" && i + 1 < argc) {
      if (!ParseInt(argv[++i], value) || (value != 2 && value != 4)) {
        std::fprintf(stderr, "mkt450 preview: --levels must be 2 or 4\n");
        return 2;
      }
      options.plainLevels = static_cast<int>(value);
    } else if (arg == "--cjk" && i + 1 < argc) {
      if (!ParseInt(argv[++i], value) || (value != 936 && value != 949 && value != 950)) {
        std::fprintf(stderr, "mkt450 preview: --cjk must be 936, 949 or 950\n");
        return 2;
      }
      options.doubleByteCodePage = static_cast<unsigned>(value);
    } else if (!arg.empty() && arg[0] != '-' && input == nullptr) {
      input = argv[i];
    } else {
      std::fprintf(stderr, "mkt450 preview: unexpected argument '%s' (%s)\n", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (input == nullptr || output == nullptr) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  std::ifstream file(input, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: cannot read: %s\n", input, std::strerror(errno));
    return 2;
  }
  std::vector<uint8_t> stream;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  file.seekg(0, std::ios::beg);
  if (size > 0) {
    stream.resize(static_cast<size_t>(size));
    file.read(reinterpret_cast<char*>(stream.data()), size);
  }
  if (!file || file.gcount() != size) {
    std::fprintf(stderr, "%s: read error\n", input);
    return 2;
  }
  if (stream.empty()) {
    std::fprintf(stderr, "%s: the stream is empty\n", input);
    return 2;
  }
  return RenderToPng(stream, input, output, options);
}

}  // namespace mkt::preview
