#include "SendTarget.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

namespace mkt::send {
namespace {

// Owns a file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  void Reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

struct AddrInfoDeleter {
  void operator()(addrinfo* a) const { freeaddrinfo(a); }
};

constexpr size_t kChunk = 64 * 1024;
constexpr int kMaxZeroWrites = 100;

std::string Errno(int e) { return std::strerror(e); }

// Bytes still waiting in the socket for the peer's acknowledgement.
uint64_t Unacknowledged(int fd) {
  int pending = 0;
  if (ioctl(fd, SIOCOUTQ, &pending) != 0 || pending < 0) return 0;
  return static_cast<uint64_t>(pending);
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000000));
}

int Connect(const std::string& host, uint16_t port, int timeoutMs, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* raw = nullptr;
  const std::string service = std::to_string(port);
  const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &raw);
  if (rc != 0) {
    error = gai_strerror(rc);
    return -1;
  }
  std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
  error = "no address";
  for (addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
    Fd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
    if (!fd.Valid()) {
      error = Errno(errno);
      continue;
    }
    if (connect(fd.Get(), a->ai_addr, a->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        error = Errno(errno);
        continue;
      }
      pollfd p{fd.Get(), POLLOUT, 0};
      int n;
      do {
        n = poll(&p, 1, timeoutMs);
      } while (n < 0 && errno == EINTR);
      if (n == 0) {
        error = "no answer within " + std::to_string(timeoutMs / 1000) + " s";
        continue;
      }
      int soError = 0;
      socklen_t len = sizeof soError;
      if (n < 0 || getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
        error = Errno(n < 0 ? errno : soError);
        continue;
      }
    }
    return fd.Release();
  }
  return -1;
}

}  // namespace

std::string SendTarget::Describe() const {
  if (!tcp) return path;
  const bool v6 = host.find(':') != std::string::npos;
  return "tcp://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool ParseTarget(const std::string& text, SendTarget& target, std::string& error) {
  target = SendTarget{};
  const std::string scheme = "tcp://";
  if (text.compare(0, scheme.size(), scheme) != 0) {
    if (text.empty()) {
      error = "empty target";
      return false;
    }
    target.path = text;
    return true;
  }
  target.tcp = true;
  std::string rest = text.substr(scheme.size());
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string portText;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos) {
      error = "unclosed [ in " + text;
      return false;
    }
    target.host = rest.substr(1, close - 1);
    const std::string after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') {
        error = "unexpected text after the address in " + text;
        return false;
      }
      portText = after.substr(1);
      if (portText.empty()) portText = "x";
    }
  } else {
    const size_t colon = rest.rfind(':');
    if (colon != std::string::npos) {
      target.host = rest.substr(0, colon);
      portText = rest.substr(colon + 1);
      if (portText.empty()) portText = "x";
    } else {
      target.host = rest;
    }
  }
  if (target.host.empty()) {
    error = "no host in " + text;
    return false;
  }
  if (!portText.empty()) {
    if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
      error = "bad port in " + text;
      return false;
    }
    const long port = std::stol(portText);
    if (port < 1 || port > 65535) {
      error = "port out of range in " + text;
      return false;
    }
    target.port = static_cast<uint16_t>(port);
  }
  return true;
}

SendResult SendToTcp(const std::string& host, uint16_t port, std::span<const uint8_t> data, int timeoutMs,
                     const SendProgress& progress) {
  SendResult result;
  std::string error;
  Fd fd(Connect(host, port, timeoutMs, error));
  if (!fd.Valid()) {
    result.error = "cannot reach the printer: " + error;
    return result;
  }
  const uint64_t total = data.size();
  uint64_t sent = 0;
  auto acknowledged = [&] {
    const uint64_t pending = Unacknowledged(fd.Get());
    return sent > pending ? sent - pending : 0;
  };
  // The count reported is the last one seen before a failure: after a reset
  // the socket forgets what was still pending. Only acknowledged bytes count
  // as progress; our own socket buffer filling up is not.
  auto lastProgress = Clock::now();
  while (sent < total) {
    pollfd p{fd.Get(), POLLOUT, 0};
    const int n = poll(&p, 1, std::min(timeoutMs, 200));
    if (n < 0 && errno != EINTR) {
      result.error = Errno(errno);
      return result;
    }
    if (n > 0 && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT)) {
      int soError = 0;
      socklen_t len = sizeof soError;
      getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soError, &len);
      result.error = "the connection broke: " + Errno(soError != 0 ? soError : ECONNRESET);
      return result;
    }
    if (n > 0 && (p.revents & POLLOUT)) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(kChunk, total - sent));
      const ssize_t w = ::send(fd.Get(), data.data() + sent, piece, MSG_NOSIGNAL);
      if (w < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        result.error = "the connection broke: " + Errno(errno);
        return result;
      }
      if (w > 0) sent += static_cast<uint64_t>(w);
    }
    const uint64_t acked = acknowledged();
    if (acked > result.delivered) {
      result.delivered = acked;
      lastProgress = Clock::now();
    }
    if (progress) progress(result.delivered, total);
    if (Clock::now() - lastProgress > std::chrono::milliseconds(timeoutMs)) {
      result.error = "the printer accepted no data for " + std::to_string(timeoutMs / 1000) + " s";
      return result;
    }
  }
  // Everything is handed over: close our side and wait until the printer
  // has acknowledged the last byte.
  shutdown(fd.Get(), SHUT_WR);
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const uint64_t acked = acknowledged();
    if (acked > result.delivered) {
      result.delivered = acked;
      deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
      if (progress) progress(result.delivered, total);
    }
    if (result.delivered >= total) break;
    int soError = 0;
    socklen_t len = sizeof soError;
    if (getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError != 0) {
      result.error = "the connection broke: " + Errno(soError);
      return result;
    }
    pollfd p{fd.Get(), POLLIN, 0};
    const int n = poll(&p, 1, std::min(RemainingMs(deadline), 20));
    if (n > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
      uint8_t sink[512];  // a printer may answer with status bytes
      const ssize_t r = ::recv(fd.Get(), sink, sizeof sink, 0);
      if (r < 0 && errno != EAGAIN && errno != EINTR) {
        result.error = "the connection broke: " + Errno(errno);
        return result;
      }
      if (r == 0 && Unacknowledged(fd.Get()) > 0) {
        // The printer closed its side with data still unacknowledged.
        result.error = "the printer closed the connection";
        return result;
      }
    }
    if (RemainingMs(deadline) == 0) {
      result.error = "the printer acknowledged no data for " + std::to_string(timeoutMs / 1000) + " s";
      return result;
    }
  }
  result.ok = true;
  return result;
}

SendResult SendToPath(const std::string& path, std::span<const uint8_t> data, const SendProgress& progress) {
  SendResult result;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
  if (!exists || S_ISREG(st.st_mode)) flags |= O_CREAT | O_TRUNC;
  Fd fd(::open(path.c_str(), flags, 0644));
  if (!fd.Valid()) {
    result.error = "cannot open: " + Errno(errno);
    return result;
  }
  const uint64_t total = data.size();
  int zeroWrites = 0;
  while (result.delivered < total) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(kChunk, total - result.delivered));
    const ssize_t w = ::write(fd.Get(), data.data() + result.delivered, piece);
    if (w < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd p{fd.Get(), POLLOUT, 0};
        poll(&p, 1, 1000);
        continue;
      }
      result.error = "write failed: " + Errno(errno);
      return result;
    }
    if (w == 0) {
      // A device that keeps taking nothing must not hold the sender for ever.
      if (++zeroWrites >= kMaxZeroWrites) {
        result.error = "the device accepts no data";
        return result;
      }
      continue;
    }
    zeroWrites = 0;
    result.delivered += static_cast<uint64_t>(w);
    if (progress) progress(result.delivered, total);
  }
  if (::close(fd.Release()) != 0) {
    result.error = "close failed: " + Errno(errno);
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace mkt::send
