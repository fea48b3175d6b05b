// Where `mkt450 send` delivers a stream: a printer's raw TCP port (as a
// Standard TCP/IP port sends, 9100 unless given), or a device or file path.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace mkt::send {

struct SendTarget {
  bool tcp = false;
  std::string host;    // tcp: name or address (IPv6 without brackets)
  uint16_t port = 9100;
  std::string path;    // otherwise: the device or file
  std::string Describe() const;
};

// "tcp://HOST[:PORT]" or a path. False with a reason for an unusable target.
bool ParseTarget(const std::string& text, SendTarget& target, std::string& error);

struct SendResult {
  bool ok = false;
  uint64_t delivered = 0;  // bytes the printer (or file) took
  std::string error;       // why it stopped, without the byte count
};

// Called after every piece that went out: bytes delivered so far, total.
using SendProgress = std::function<void(uint64_t delivered, uint64_t total)>;

// Raw TCP: connects within `timeoutMs`, gives up when the printer takes no
// data for `timeoutMs`, and counts as delivered only what the printer's side
// acknowledged.
SendResult SendToTcp(const std::string& host, uint16_t port, std::span<const uint8_t> data, int timeoutMs,
                     const SendProgress& progress);

// A device (written as it is) or a file (created or truncated).
SendResult SendToPath(const std::string& path, std::span<const uint8_t> data, const SendProgress& progress);

}  // namespace mkt::send
