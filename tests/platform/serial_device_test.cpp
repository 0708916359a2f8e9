#include "platform/serial_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "common/parameter_block.h"
#include "serial/comm_class.h"
#include "support/fake_serial_device.h"
#include "support/temp_dir.h"

namespace vdinv::platform {
namespace {

TEST(SerialPortPath, EnvironmentElseTtyS) {
  {
    test::ScopedPortPath env(3, "/tmp/my-line");
    EXPECT_EQ(SerialPortPath(3), "/tmp/my-line");
  }
  {
    test::ScopedPortPath env(16, "");
    EXPECT_EQ(SerialPortPath(16), "/dev/ttyS15");
  }
  test::ScopedPortPath env(1, nullptr);
  EXPECT_EQ(SerialPortPath(1), "/dev/ttyS0");
  EXPECT_EQ(SerialPortPath(0), "");
  EXPECT_EQ(SerialPortPath(17), "");
}

// A pseudo-terminal: the device opens the slave, the test plays the far end on the master
// (whose terminal requests report the slave's settings).
class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    const char* name = ptsname(master_);
    ASSERT_NE(name, nullptr);
    slave_ = name;
  }
  void TearDown() override { CloseMaster(); }

  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  termios SlaveSettings() const {
    termios t{};
    EXPECT_EQ(tcgetattr(master_, &t), 0);
    return t;
  }

  // What the master receives within timeoutMs, up to want bytes.
  std::string ReadMaster(size_t want, int timeoutMs = 1000) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      char buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

  void WriteMaster(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Waits (a few ms at a time) until the device reports at least want bytes waiting.
  int32_t AwaitWaiting(ISerialDevice& device, int32_t want) {
    int32_t waiting = 0;
    for (int i = 0; i < 500 && (waiting = device.BytesWaiting()) >= 0 && waiting < want; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return waiting;
  }

  static SerialSettings Settings(uint32_t rate, uint8_t bits = 8,
                                 SerialParity parity = SerialParity::kNone,
                                 SerialStopBits stop = SerialStopBits::kOne) {
    SerialSettings s;
    s.baudRate = rate;
    s.dataBits = bits;
    s.parity = parity;
    s.stopBits = stop;
    return s;
  }

  int master_ = -1;
  std::string slave_;
};

TEST_F(PtyTest, OpensInRawModeAndCloses) {
  auto device = CreateSerialDevice();
  EXPECT_FALSE(device->IsOpen());
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  EXPECT_TRUE(device->IsOpen());
  const termios t = SlaveSettings();
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_TRUE(device->SetQueueSizes(2048, 2048));
  device->Close();
  EXPECT_FALSE(device->IsOpen());
  EXPECT_EQ(device->BytesWaiting(), -1);
  EXPECT_EQ(device->Configure(Settings(9600)), SerialStatus::kNotOpen);
}

TEST_F(PtyTest, ConfiguresFrameAndParityChecking) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  ASSERT_EQ(device->Configure(Settings(9600)), SerialStatus::kOk);
  termios t = SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8));
  EXPECT_NE(t.c_iflag & INPCK, 0u);

  SerialSettings twoStops = Settings(19200, 8, SerialParity::kNone, SerialStopBits::kTwo);
  twoStops.parityCheck = false;
  ASSERT_EQ(device->Configure(twoStops), SerialStatus::kOk);
  t = SlaveSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8 | CSTOPB));
  EXPECT_EQ(t.c_iflag & INPCK, 0u);
}

// Pseudo-terminals of recent kernels keep 8 data bits and no parity whatever is asked: the
// device must then report the frame as refused and keep what it had, never claim success.
TEST_F(PtyTest, FrameTheDeviceCannotDoIsRefusedOrApplied) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  struct Case {
    SerialSettings settings;
    tcflag_t flags;
  };
  const Case cases[] = {
      {Settings(9600, 7, SerialParity::kEven), CS7 | PARENB},
      {Settings(9600, 8, SerialParity::kOdd), CS8 | PARENB | PARODD},
      {Settings(9600, 8, SerialParity::kMark), CS8 | PARENB | PARODD | CMSPAR},
      {Settings(9600, 5, SerialParity::kSpace), CS5 | PARENB | CMSPAR},
      {Settings(9600, 4), 0},  // no terminal has 4 data bits
      {Settings(9600, 8, SerialParity::kNone, SerialStopBits::kOneAndHalf), 0},
      {Settings(0), 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(device->Configure(Settings(19200)), SerialStatus::kOk);
    const SerialStatus result = device->Configure(c.settings);
    const termios t = SlaveSettings();
    const tcflag_t frame = t.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    if (result == SerialStatus::kOk) {
      EXPECT_NE(c.flags, 0u);
      EXPECT_EQ(frame, c.flags);
      EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    } else {
      EXPECT_EQ(result, SerialStatus::kUnsupported);
      EXPECT_EQ(frame, static_cast<tcflag_t>(CS8));
      EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    }
  }
}

TEST_F(PtyTest, RateWithoutStandardCodeAppliesOrFailsCleanly) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  ASSERT_EQ(device->Configure(Settings(19200)), SerialStatus::kOk);
  for (uint32_t rate : {56000u, 14400u, 128000u, 256000u}) {
    SCOPED_TRACE(rate);
    const SerialStatus result =
        device->Configure(Settings(rate, 8, SerialParity::kNone, SerialStopBits::kTwo));
    ASSERT_TRUE(result == SerialStatus::kOk || result == SerialStatus::kUnsupported);
    const termios t = SlaveSettings();
    if (result == SerialStatus::kUnsupported) {
      EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
      EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    } else {
      EXPECT_NE(cfgetospeed(&t), static_cast<speed_t>(B19200));
      EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    }
    // The line still works either way, and a standard rate can be set again.
    ASSERT_EQ(device->Configure(Settings(19200)), SerialStatus::kOk);
    EXPECT_EQ(device->Write(reinterpret_cast<const uint8_t*>("ok"), 2, 1000), 2);
    EXPECT_EQ(ReadMaster(2), "ok");
  }
}

TEST_F(PtyTest, BytesTravelUnchangedBothWays) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  ASSERT_EQ(device->Configure(Settings(9600)), SerialStatus::kOk);

  const std::string frame = std::string(
      "\x01"
      "1F03\r\n\x13\x11\x03\x00\xff",
      12);
  ASSERT_EQ(device->Write(reinterpret_cast<const uint8_t*>(frame.data()),
                          static_cast<uint32_t>(frame.size()), 1000),
            static_cast<int32_t>(frame.size()));
  EXPECT_EQ(ReadMaster(frame.size()), frame);

  const std::string reply = std::string("\x06\r\n\x03\x00\x7f", 6);
  WriteMaster(reply);
  EXPECT_EQ(AwaitWaiting(*device, 6), 6);
  uint8_t buf[64] = {};
  EXPECT_EQ(device->Read(buf, 4, 1000), 4);
  EXPECT_EQ(device->BytesWaiting(), 2);
  EXPECT_EQ(device->Read(buf + 4, sizeof buf - 4, 1000), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 6), reply);
  // No echo went back to the far end.
  EXPECT_EQ(ReadMaster(1, 20), "");
  // Nothing there: the read ends after its time-out with 0.
  EXPECT_EQ(device->Read(buf, sizeof buf, 5), 0);
}

TEST_F(PtyTest, PurgeDiscardsWaitingInput) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  WriteMaster("stale");
  ASSERT_EQ(AwaitWaiting(*device, 5), 5);
  EXPECT_TRUE(device->PurgeInput());
  EXPECT_EQ(device->BytesWaiting(), 0);
}

TEST_F(PtyTest, SecondOpenerIsRefusedUntilTheFirstCloses) {
  auto first = CreateSerialDevice();
  auto second = CreateSerialDevice();
  ASSERT_EQ(first->Open(slave_), SerialStatus::kOk);
  EXPECT_EQ(second->Open(slave_), SerialStatus::kBusy);
  EXPECT_FALSE(second->IsOpen());
  first->Close();
  EXPECT_EQ(second->Open(slave_), SerialStatus::kOk);
}

TEST_F(PtyTest, VanishedDeviceFailsEveryTransfer) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  CloseMaster();
  uint8_t buf[8] = {};
  EXPECT_EQ(device->BytesWaiting(), -1);
  EXPECT_EQ(device->Read(buf, sizeof buf, 5), -1);
  EXPECT_EQ(device->Write(buf, sizeof buf, 5), -1);
}

// The wait for input returns as soon as a byte is waiting or it is woken, takes nothing, and
// reports a closed or vanished device.
TEST_F(PtyTest, WaitForInputEndsOnInputWakeTimeOutOrFailure) {
  using Clock = std::chrono::steady_clock;
  auto device = CreateSerialDevice();
  EXPECT_EQ(device->WaitForInput(0), -1);
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  const auto waited = [&](uint32_t timeoutMs, int32_t& result) {
    const auto start = Clock::now();
    result = device->WaitForInput(timeoutMs);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  int32_t result = 0;
  EXPECT_GE(waited(50, result), 45);
  EXPECT_EQ(result, 0);

  std::thread far([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteMaster("x");
  });
  EXPECT_LT(waited(5000, result), 2000);
  far.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(device->BytesWaiting(), 1);  // nothing taken
  ASSERT_TRUE(device->PurgeInput());

  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    device->Wake();
  });
  EXPECT_LT(waited(5000, result), 2000);
  waker.join();
  EXPECT_EQ(result, 0);
  device->Wake();  // a wake with nobody waiting ends the next wait, and that one only
  EXPECT_LT(waited(5000, result), 2000);
  EXPECT_EQ(result, 0);
  EXPECT_GE(waited(30, result), 25);

  CloseMaster();
  EXPECT_EQ(device->WaitForInput(1000), -1);
}

// Nobody reads the master: the line fills up. A write takes what fits and returns when its
// time is up, never discarding what it took; a purge drops what is queued for the next one.
TEST_F(PtyTest, WriteTakesWhatFitsAndThePurgeDropsWhatIsQueued) {
  auto device = CreateSerialDevice();
  ASSERT_EQ(device->Open(slave_), SerialStatus::kOk);
  const std::string big(1 << 20, 'x');
  const auto bytes = reinterpret_cast<const uint8_t*>(big.data());
  const auto start = std::chrono::steady_clock::now();
  const int32_t taken = device->Write(bytes, static_cast<uint32_t>(big.size()), 5);
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, static_cast<int32_t>(big.size()));
  EXPECT_EQ(device->Write(bytes, 16, 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(device->PurgeOutput());
  EXPECT_EQ(device->Write(reinterpret_cast<const uint8_t*>("ok"), 2, 0), 2);
  // What the far end had already taken in stays; the rest is gone, and "ok" follows.
  const std::string got = ReadMaster(big.size(), 50);
  EXPECT_LT(got.size(), static_cast<size_t>(taken));
  EXPECT_EQ(got.substr(got.size() - 3), "xok");
}

// The driver's port on a line whose far end never reads and whose buffer stays full: neither a
// send nor a poll waits for room.
TEST_F(PtyTest, AFarEndThatNeverReadsHoldsUpNoSendAndNoPoll) {
  // Opened before the port's exclusive open: it keeps the line towards the master full.
  const int filler = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  auto fill = [filler] {
    const std::string chunk(4096, 'x');
    while (write(filler, chunk.data(), chunk.size()) > 0) {
    }
  };
  test::ScopedPortPath env(1, slave_.c_str());
  TDevParmBlock block{};
  block.BaudIndex = 6;
  block.DataBits = 4;
  serial::TCommClass comm(true);
  std::string status;
  ASSERT_TRUE(comm.IniComm(block, true, status));
  fill();
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    comm.SendStr(
        "\x01"
        "01\x05RF03 0000\x03"
        "44");
    fill();
    comm.GetStr();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  }
  close(filler);
}

TEST(SerialDevice, MissingAndNonTerminalPaths) {
  test::TempDir dir;
  auto device = CreateSerialDevice();
  EXPECT_EQ(device->Open(dir.File("no-such-tty")), SerialStatus::kNotFound);
  EXPECT_EQ(device->Open(""), SerialStatus::kNotFound);
  const std::string file = dir.File("plain");
  {
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
  }
  EXPECT_EQ(device->Open(file), SerialStatus::kNotSerial);
  EXPECT_FALSE(device->IsOpen());
  uint8_t b = 0;
  EXPECT_EQ(device->Read(&b, 1, 0), -1);
  EXPECT_EQ(device->Write(&b, 1, 0), -1);
  EXPECT_FALSE(device->PurgeInput());
  EXPECT_FALSE(device->PurgeOutput());
}

}  // namespace
}  // namespace vdinv::platform
