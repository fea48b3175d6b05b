// `mkt450 send` against real sockets on 127.0.0.1 and against files.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <thread>

#include "SendCommand.h"
#include "SendTarget.h"

namespace mkt::send {
namespace {

namespace fs = std::filesystem;

// A printer stand-in: listens on 127.0.0.1, takes one connection and reads
// all of it, or only the first `readLimit` bytes before it hangs up, or
// nothing at all until it is stopped.
class Listener {
 public:
  enum class Mode { ReadAll, CloseAfter, NeverRead };
  explicit Listener(Mode mode, size_t readLimit = 0) : m_mode(mode), m_limit(readLimit) {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(m_fd, 1), 0);
    socklen_t len = sizeof a;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Serve(); });
  }
  ~Listener() {
    m_stop = true;
    shutdown(m_fd, SHUT_RDWR);
    m_thread.join();
    close(m_fd);
  }
  uint16_t Port() const { return m_port; }
  // Waits for the connection to end and returns what was read.
  std::vector<uint8_t> Received() {
    m_thread.join();
    m_thread = std::thread([] {});
    return m_received;
  }

 private:
  void Serve() {
    const int c = accept(m_fd, nullptr, nullptr);
    if (c < 0) return;
    uint8_t buf[65536];
    if (m_mode == Mode::NeverRead) {
      while (!m_stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      for (;;) {
        size_t want = sizeof buf;
        if (m_mode == Mode::CloseAfter) want = std::min(want, m_limit - m_received.size());
        if (want == 0) break;
        const ssize_t n = recv(c, buf, want, 0);
        if (n <= 0) break;
        m_received.insert(m_received.end(), buf, buf + n);
      }
    }
    close(c);
  }

  Mode m_mode;
  size_t m_limit;
  int m_fd = -1;
  uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  std::vector<uint8_t> m_received;
  std::thread m_thread;
};

class SendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("mkt_send_" + std::to_string(getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::vector<uint8_t> Stream(size_t size) {
    std::vector<uint8_t> s(size);
    std::mt19937 rng(9100);
    for (auto& b : s) b = static_cast<uint8_t>(rng());
    return s;
  }
  std::string WriteStream(const std::vector<uint8_t>& s) {
    const fs::path p = m_dir / "job.prn";
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(s.data()), s.size());
    return p.string();
  }
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"mkt450", "send"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStderr();
    const int rc = SendMain(static_cast<int>(argv.size()), argv.data());
    m_stderr = ::testing::internal::GetCapturedStderr();
    return rc;
  }
  // The "D of N bytes delivered" figure of a failure message.
  long long Delivered() const {
    std::smatch m;
    if (!std::regex_search(m_stderr, m, std::regex("; ([0-9]+) of ([0-9]+) bytes delivered"))) return -1;
    return std::stoll(m[1]);
  }

  fs::path m_dir;
  std::string m_stderr;
};

TEST_F(SendTest, DeliversEveryByteToARawPort) {
  const std::vector<uint8_t> stream = Stream(3 * 1024 * 1024 + 17);
  Listener printer(Listener::Mode::ReadAll);
  EXPECT_EQ(Run({WriteStream(stream), "--to", "tcp://127.0.0.1:" + std::to_string(printer.Port())}), 0) << m_stderr;
  EXPECT_EQ(printer.Received(), stream);
  EXPECT_NE(m_stderr.find("100% (3145745 of 3145745 bytes)"), std::string::npos) << m_stderr;
  EXPECT_NE(m_stderr.find("3145745 bytes delivered to tcp://127.0.0.1:"), std::string::npos) << m_stderr;
}

TEST_F(SendTest, ClosedPortFailsClearly) {
  // A port that was free a moment ago.
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  const std::string to = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  EXPECT_EQ(Run({WriteStream(Stream(1000)), "--to", to}), 1);
  EXPECT_NE(m_stderr.find(to + ": cannot reach the printer: Connection refused; 0 of 1000 bytes delivered"),
            std::string::npos)
      << m_stderr;
}

TEST_F(SendTest, PrinterHangingUpHalfWayIsReportedWithTheCount) {
  const std::vector<uint8_t> stream = Stream(16 * 1024 * 1024);
  Listener printer(Listener::Mode::CloseAfter, 1024 * 1024);
  EXPECT_EQ(Run({WriteStream(stream), "--to", "tcp://127.0.0.1:" + std::to_string(printer.Port())}), 1);
  EXPECT_NE(m_stderr.find("the connection broke"), std::string::npos) << m_stderr;
  EXPECT_EQ(printer.Received().size(), 1024u * 1024u);
  const long long delivered = Delivered();
  EXPECT_GT(delivered, 0) << m_stderr;
  EXPECT_LT(delivered, static_cast<long long>(stream.size())) << m_stderr;
}

TEST_F(SendTest, PrinterTakingNothingTimesOut) {
  const std::vector<uint8_t> stream = Stream(16 * 1024 * 1024);
  Listener printer(Listener::Mode::NeverRead);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({WriteStream(stream), "--to", "tcp://127.0.0.1:" + std::to_string(printer.Port()), "--timeout", "1"}),
            1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(m_stderr.find("the printer accepted no data for 1 s"), std::string::npos) << m_stderr;
  EXPECT_LT(Delivered(), static_cast<long long>(stream.size()));
}

TEST_F(SendTest, FilesAndDevices) {
  const std::vector<uint8_t> stream = Stream(5000);
  const fs::path out = m_dir / "lp0";
  std::ofstream(out) << std::string(9000, 'x');  // an older, longer file is replaced
  EXPECT_EQ(Run({WriteStream(stream), "--to", out.string()}), 0) << m_stderr;
  std::ifstream in(out, std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), stream);
  EXPECT_EQ(Run({WriteStream(stream), "--to", "/dev/null"}), 0) << m_stderr;
  const std::string missing = (m_dir / "no-such-dir" / "lp0").string();
  EXPECT_EQ(Run({WriteStream(stream), "--to", missing}), 1);
  EXPECT_NE(m_stderr.find(missing + ": cannot open: No such file or directory; 0 of 5000 bytes delivered"),
            std::string::npos)
      << m_stderr;
}

TEST(SendTargets, Parsing) {
  struct Case {
    const char* text;
    bool ok;
    bool tcp;
    const char* host;
    uint16_t port;
  };
  const Case cases[] = {
      {"tcp://printer", true, true, "printer", 9100},
      {"tcp://192.168.0.40:9101", true, true, "192.168.0.40", 9101},
      {"tcp://[::1]:515", true, true, "::1", 515},
      {"tcp://[fe80::1]", true, true, "fe80::1", 9100},
      {"/dev/usb/lp0", true, false, "", 9100},
      {"tcp://:9100", false, true, "", 0},
      {"tcp://host:0", false, true, "", 0},
      {"tcp://host:65536", false, true, "", 0},
      {"tcp://host:", false, true, "", 0},
      {"tcp://host:91a", false, true, "", 0},
      {"tcp://[::1", false, true, "", 0},
      {"", false, false, "", 0},
  };
  for (const Case& c : cases) {
    SendTarget t;
    std::string error;
    ASSERT_EQ(ParseTarget(c.text, t, error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(t.tcp, c.tcp) << c.text;
    if (c.tcp) {
      EXPECT_EQ(t.host, c.host) << c.text;
      EXPECT_EQ(t.port, c.port) << c.text;
    } else {
      EXPECT_EQ(t.path, c.text);
    }
  }
}

TEST_F(SendTest, UnusableInputExitsWithTwo) {
  const fs::path empty = m_dir / "empty.prn";
  std::ofstream(empty).close();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{(m_dir / "missing.prn").string(), "--to", "/dev/null"}, "missing.prn: cannot read"},
      {{empty.string(), "--to", "/dev/null"}, "empty.prn: the stream is empty"},
      {{empty.string()}, "usage: mkt450 send"},
      {{empty.string(), "--to", "tcp://host:0"}, "port out of range"},
      {{empty.string(), "--to", "/dev/null", "--timeout", "0"}, "--timeout must be"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 2) << c.message;
    EXPECT_NE(m_stderr.find(c.message), std::string::npos) << m_stderr;
    EXPECT_EQ(std::count(m_stderr.begin(), m_stderr.end(), '\n'), 1) << m_stderr;
  }
}

}  // namespace
}  // namespace mkt::send
