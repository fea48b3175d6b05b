#include "SendCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "SendTarget.h"

namespace mkt::send {
namespace {

constexpr const char* kUsage =
    "usage: mkt450 send STREAM.prn --to tcp://HOST[:PORT] | --to /dev/usb/lp0 | --to FILE [--timeout SECONDS]";
// Streams from this size on report their progress.
constexpr uint64_t kProgressFrom = 1024 * 1024;

}  // namespace

int SendMain(int argc, char** argv) {
  const char* input = nullptr;
  const char* to = nullptr;
  long timeoutSeconds = 30;
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "send") == 0) ++i;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--to" && i + 1 < argc) {
      to = argv[++i];
    } else if (arg == "--timeout" && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      timeoutSeconds = std::strtol(argv[++i], &end, 10);
      if (errno != 0 || end == nullptr || *end != '\0' || timeoutSeconds < 1 || timeoutSeconds > 3600) {
        std::fprintf(stderr, "mkt450 send: --timeout must be 1 to 3600 seconds\n");
        return 2;
      }
    } else if (!arg.empty() && arg[0] != '-' && input == nullptr) {
      input = argv[i];
    } else {
      std::fprintf(stderr, "mkt450 send: unexpected argument '%s' (%s)\n", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (input == nullptr || to == nullptr) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  SendTarget target;
  std::string error;
  if (!ParseTarget(to, target, error)) {
    std::fprintf(stderr, "mkt450 send: %s\n", error.c_str());
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

  const std::string where = target.Describe();
  int lastTenth = 0;
  const SendProgress progress = [&](uint64_t delivered, uint64_t total) {
    if (total < kProgressFrom) return;
    const int tenth = static_cast<int>(delivered * 10 / total);
    if (tenth <= lastTenth) return;
    lastTenth = tenth;
    std::fprintf(stderr, "mkt450 send: %d%% (%llu of %llu bytes) to %s\n", tenth * 10,
                 static_cast<unsigned long long>(delivered), static_cast<unsigned long long>(total), where.c_str());
  };
  const SendResult result = target.tcp
                                ? SendToTcp(target.host, target.port, stream, static_cast<int>(timeoutSeconds * 1000), progress)
                                : SendToPath(target.path, stream, progress);
  if (!result.ok) {
    std::fprintf(stderr, "mkt450 send: %s: %s; %llu of %zu bytes delivered\n", where.c_str(), result.error.c_str(),
                 static_cast<unsigned long long>(result.delivered), stream.size());
    return 1;
  }
  std::fprintf(stderr, "mkt450 send: %zu bytes delivered to %s\n", stream.size(), where.c_str());
  return 0;
}

}  // namespace mkt::send
