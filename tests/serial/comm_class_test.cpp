#include "serial/comm_class.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/process_values.h"
#include "platform/text.h"
#include "support/fake_clock.h"
#include "support/fake_serial_device.h"

namespace vdinv::serial {
namespace {

using platform::SerialParity;
using platform::SerialStatus;
using platform::SerialStopBits;

// A status text as the host receives it (GBK).
std::string Gbk(const char* utf8) {
  return platform::Utf8ToGbk(utf8);
}

TDevParmBlock Block(uint8_t comPort, uint8_t baud = 6, uint8_t data = 4, uint8_t stop = 0,
                    uint8_t parity = 0) {
  TDevParmBlock block;
  std::memset(&block, 0, sizeof block);
  block.ComPort = comPort;
  block.BaudIndex = baud;
  block.DataBits = data;
  block.StopBits = stop;
  block.Parity = parity;
  return block;
}

class CommClassTest : public ::testing::Test {
 protected:
  CommClassTest()
      : line(std::make_shared<test::FakeSerialLine>()),
        comm(true, test::FakeSerialDevice::Factory(line), clock, [this](uint32_t ms) {
          ++sleeps;
          clock.Advance(ms);
        }) {}
  ~CommClassTest() override { SetProcessOutTime(kInitialOutTime); }

  bool Ini(const TDevParmBlock& block, bool textMode = true) {
    return comm.IniComm(block, textMode, status);
  }

  test::FakeClock clock;
  std::shared_ptr<test::FakeSerialLine> line;
  TCommClass comm;
  std::string status;
  int sleeps = 0;
};

TEST_F(CommClassTest, OpenSucceedsWithStatusAndSettings) {
  test::ScopedPortPath env(1, "/dev/fake-com1");
  EXPECT_TRUE(Ini(Block(0)));
  EXPECT_EQ(status, Gbk("Com1打开成功"));
  EXPECT_EQ(comm.StatusText(), status);
  ASSERT_EQ(line->openedPaths.size(), 1u);
  EXPECT_EQ(line->openedPaths[0], platform::SerialPortPath(1));
  ASSERT_EQ(line->configured.size(), 1u);
  const platform::SerialSettings& s = line->configured[0];
  EXPECT_EQ(s.baudRate, 9600u);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.stopBits, SerialStopBits::kOne);
  EXPECT_EQ(s.parity, SerialParity::kNone);
  EXPECT_TRUE(s.parityCheck);
  EXPECT_FALSE(s.dsrSensitivity || s.txContinueOnXoff || s.replaceErrors || s.discardNulls);
  EXPECT_EQ(s.xonChar, 17);
  EXPECT_EQ(s.xoffChar, 19);
}

TEST_F(CommClassTest, ComPortNineIsCom10) {
  test::ScopedPortPath env(10, "/dev/fake-com10");
  EXPECT_TRUE(Ini(Block(9)));
  EXPECT_EQ(comm.PortName(), "Com10");
  EXPECT_EQ(status, Gbk("Com10打开成功"));
  ASSERT_EQ(line->openedPaths.size(), 1u);
  EXPECT_EQ(line->openedPaths[0], platform::SerialPortPath(10));
}

TEST_F(CommClassTest, BusyPortIsRetriedForFiveSecondsThenReported) {
  line->openResult = SerialStatus::kBusy;
  const uint32_t start = clock.TickCount();
  EXPECT_FALSE(Ini(Block(0)));
  EXPECT_EQ(status, Gbk("Com1不存在或被其它程序占用！"));
  const uint32_t waited = clock.TickCount() - start;
  EXPECT_GT(waited, TCommClass::kOpenRetryMs);
  EXPECT_LE(waited, TCommClass::kOpenRetryMs + TCommClass::kOpenRetryPauseMs);
  // Paused between attempts, not spinning.
  EXPECT_EQ(line->openAttempts, static_cast<int>(waited / TCommClass::kOpenRetryPauseMs) + 1);
  EXPECT_TRUE(line->configured.empty());
}

TEST_F(CommClassTest, AWaitAheadOfTheInitialisationLeavesItOneAttempt) {
  line->openResult = SerialStatus::kBusy;
  EXPECT_FALSE(comm.WaitForPort(Block(1)));
  EXPECT_GT(clock.TickCount() - 1000, TCommClass::kOpenRetryMs);
  const int attempts = line->openAttempts;
  const uint32_t waited = clock.TickCount();
  EXPECT_FALSE(Ini(Block(1)));
  EXPECT_EQ(line->openAttempts, attempts + 1);
  EXPECT_EQ(clock.TickCount(), waited);
  EXPECT_EQ(status, Gbk("Com2不存在或被其它程序占用！"));
  // A port found during the wait is the one the initialisation keeps; the next initialisation
  // waits on its own again.
  line->openResults = {SerialStatus::kNotFound, SerialStatus::kOk};
  EXPECT_TRUE(comm.WaitForPort(Block(1)));
  EXPECT_TRUE(Ini(Block(1)));
  EXPECT_EQ(status, Gbk("Com2打开成功"));
  comm.Close();
  EXPECT_FALSE(Ini(Block(1)));
  EXPECT_GT(clock.TickCount() - waited, TCommClass::kOpenRetryMs);
}

TEST_F(CommClassTest, PortFreedDuringRetryIsTaken) {
  line->openResults = {SerialStatus::kBusy, SerialStatus::kNotFound, SerialStatus::kOk};
  EXPECT_TRUE(Ini(Block(0)));
  EXPECT_EQ(line->openAttempts, 3);
  EXPECT_EQ(status, Gbk("Com1打开成功"));
}

TEST_F(CommClassTest, NotASerialDeviceGivesUpAtOnceWithoutStaleSuccess) {
  EXPECT_TRUE(Ini(Block(0)));
  comm.Close();
  line->openResult = SerialStatus::kNotSerial;
  EXPECT_FALSE(Ini(Block(0)));
  EXPECT_EQ(line->openAttempts, 2);
  EXPECT_EQ(status, Gbk("Com1不存在或被其它程序占用！"));
}

TEST_F(CommClassTest, RefusedQueueSizesKeepThePortOpen) {
  line->queueSizesOk = false;
  EXPECT_TRUE(Ini(Block(0)));
  EXPECT_EQ(status, "Error initializing Read/Write Buffers");
  EXPECT_TRUE(comm.Connected());
}

TEST_F(CommClassTest, IniCommOnOpenPortKeepsItAndReappliesSettings) {
  test::ScopedPortPath env1(1, "/dev/fake-com1");
  EXPECT_TRUE(Ini(Block(0)));
  EXPECT_TRUE(Ini(Block(1, 8, 3, 2, 1)));
  EXPECT_EQ(line->openAttempts, 1);
  EXPECT_EQ(comm.PortName(), "Com2");
  // The status names the port that is really open.
  EXPECT_EQ(status, Gbk("Com1打开成功"));
  ASSERT_EQ(line->configured.size(), 2u);
  EXPECT_EQ(line->configured[1].baudRate, 19200u);
  EXPECT_EQ(line->configured[1].dataBits, 7);
  EXPECT_EQ(line->configured[1].stopBits, SerialStopBits::kTwo);
  EXPECT_EQ(line->configured[1].parity, SerialParity::kOdd);
  // Once closed, the next send opens the new port.
  test::ScopedPortPath env2(2, "/dev/fake-com2");
  comm.Close();
  comm.SendStr("x");
  ASSERT_EQ(line->openedPaths.size(), 2u);
  EXPECT_EQ(line->openedPaths[1], platform::SerialPortPath(2));
  EXPECT_EQ(comm.StatusText(), Gbk("Com2打开成功"));
}

TEST_F(CommClassTest, CodeTables) {
  struct Case {
    uint8_t baud, data, stop, parity;
    uint32_t rate;
    uint8_t bits;
    SerialStopBits stops;
    SerialParity par;
  };
  const Case cases[] = {
      {0, 0, 1, 3, 110, 4, SerialStopBits::kOneAndHalf, SerialParity::kMark},
      {7, 1, 2, 4, 14400, 5, SerialStopBits::kTwo, SerialParity::kSpace},
      {10, 2, 0, 2, 56000, 6, SerialStopBits::kOne, SerialParity::kEven},
      {14, 4, 0, 0, 256000, 8, SerialStopBits::kOne, SerialParity::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    ASSERT_TRUE(Ini(Block(0, c.baud, c.data, c.stop, c.parity)));
    const platform::SerialSettings& s = line->configured.back();
    EXPECT_EQ(s.baudRate, c.rate);
    EXPECT_EQ(s.dataBits, c.bits);
    EXPECT_EQ(s.stopBits, c.stops);
    EXPECT_EQ(s.parity, c.par);
  }
}

TEST_F(CommClassTest, OutOfTableCodesKeepThePortSettingsAndAreReported) {
  const TDevParmBlock blocks[] = {Block(0, 15), Block(0, 255), Block(0, 6, 5), Block(0, 6, 4, 3),
                                  Block(0, 6, 4, 0, 5)};
  for (const TDevParmBlock& block : blocks) {
    EXPECT_TRUE(Ini(block));
    EXPECT_EQ(status, Gbk("Com1打开成功\r\n设备参数中的串口设置有误!"));
    EXPECT_FALSE(comm.LineSettings().has_value());
  }
  EXPECT_TRUE(line->configured.empty());
}

TEST_F(CommClassTest, SettingsTheDeviceRefusesAreReported) {
  line->configureResult = SerialStatus::kUnsupported;
  EXPECT_TRUE(Ini(Block(0, 6, 0)));
  EXPECT_EQ(status, Gbk("Com1打开成功\r\n设备参数中的串口设置有误!"));
  EXPECT_TRUE(comm.Connected());
  // Settings the device takes clear the report.
  line->configureResult = SerialStatus::kOk;
  EXPECT_TRUE(Ini(Block(0)));
  EXPECT_EQ(status, Gbk("Com1打开成功"));
}

TEST_F(CommClassTest, ComPortOutOfRangeKeepsThePortName) {
  EXPECT_TRUE(Ini(Block(3)));
  comm.Close();
  EXPECT_TRUE(Ini(Block(16)));
  EXPECT_EQ(comm.PortName(), "Com4");
  EXPECT_EQ(status, Gbk("Com4打开成功\r\n设备参数中的串口设置有误!"));
}

TEST_F(CommClassTest, EventCharsReapplySettings) {
  ASSERT_TRUE(Ini(Block(0)));
  comm.EventChars().SetXonChar(0x12);
  ASSERT_EQ(line->configured.size(), 2u);
  EXPECT_EQ(line->configured.back().xonChar, 0x12);
}

TEST_F(CommClassTest, SendTakesFirst255CharactersAndDiscardsEarlierInput) {
  ASSERT_TRUE(Ini(Block(0)));
  std::string frame;
  for (int i = 0; i < 300; ++i) frame += static_cast<char>('A' + i % 26);
  line->Arrive("stale");
  EXPECT_EQ(comm.GetStr(), "stale");
  line->Arrive("more stale");
  comm.SendStr(frame);
  ASSERT_EQ(line->writes.size(), 1u);
  EXPECT_EQ(line->writes[0], frame.substr(0, 255));
  EXPECT_TRUE(line->input.empty());
  EXPECT_EQ(comm.RecvText(), "");
  EXPECT_EQ(comm.GetStr(), "");
}

TEST_F(CommClassTest, PiecesAreConcatenatedUntilTheNextSend) {
  ASSERT_TRUE(Ini(Block(0)));
  comm.SendStr("REQ");
  line->Arrive(
      "\x01"
      "12");
  EXPECT_EQ(comm.GetStr(),
            "\x01"
            "12");
  EXPECT_EQ(comm.GetStr(),
            "\x01"
            "12");
  line->Arrive(
      std::string("3\0"
                  "4",
                  3));
  EXPECT_EQ(comm.GetStr(), std::string("\x01"
                                       "123\0"
                                       "4",
                                       6));
  comm.SendStr("REQ");
  EXPECT_EQ(comm.GetStr(), "");
}

// A line that never stops sending: a poll reads at most one buffer, and the text keeps the
// last bytes only, counting those it let go.
TEST_F(CommClassTest, ReceivedTextIsABoundedTailOfWhatArrived) {
  ASSERT_TRUE(Ini(Block(0)));
  std::string stream;
  for (int i = 0; stream.size() < 5000; ++i) stream += std::to_string(i) + ',';
  line->Arrive(stream);
  EXPECT_EQ(comm.GetStr().size(), 2048u);
  EXPECT_EQ(comm.GetStr().size(), 4096u);
  EXPECT_EQ(comm.GetStr(), stream.substr(stream.size() - 4096));
  EXPECT_EQ(comm.RecvCut(), stream.size() - 4096);
  for (uint32_t size : line->readSizes) EXPECT_LE(size, 2048u);
  comm.SendStr("REQ");
  EXPECT_EQ(comm.RecvCut(), 0u);
}

TEST_F(CommClassTest, HexModeSendsPairsAndReceivesUpperCaseDigits) {
  ASSERT_TRUE(Ini(Block(0), false));
  comm.SendStr("01aF7");  // the odd last digit is dropped
  ASSERT_EQ(line->writes.size(), 1u);
  EXPECT_EQ(line->writes[0], std::string("\x01\xAF", 2));
  line->Arrive(std::string("\x00\xFE\x5a", 3));
  EXPECT_EQ(comm.GetStr(), "00FE5A");
  // Not hexadecimal: nothing goes out rather than a corrupted frame.
  comm.SendStr("01ZZ");
  EXPECT_EQ(line->writes.size(), 1u);
}

TEST_F(CommClassTest, SendOnClosedPortOpensIt) {
  line->openResult = SerialStatus::kBusy;
  EXPECT_FALSE(Ini(Block(0)));
  line->openResult = SerialStatus::kOk;
  clock.Advance(ProcessOutTime());
  comm.SendStr("ABC");
  EXPECT_TRUE(comm.Connected());
  ASSERT_EQ(line->writes.size(), 1u);
  EXPECT_EQ(line->writes[0], "ABC");
  EXPECT_EQ(line->configured.size(), 1u);
}

TEST_F(CommClassTest, VanishedDeviceClosesAndNextSendReopens) {
  ASSERT_TRUE(Ini(Block(0)));
  line->vanished = true;
  EXPECT_EQ(comm.GetStr(), "");
  EXPECT_FALSE(comm.Connected());
  comm.SendStr("AB");
  EXPECT_TRUE(comm.Connected());
  EXPECT_EQ(line->openAttempts, 2);
  ASSERT_EQ(line->writes.size(), 1u);
  EXPECT_EQ(line->writes[0], "AB");

  // A failed write closes the port as well.
  line->vanished = true;
  comm.SendStr("CD");
  EXPECT_FALSE(comm.Connected());
}

// The host's poll thread sends: without a device a send costs one open attempt and never a
// pause, and attempts are a reply time-out apart until the device is back.
TEST_F(CommClassTest, SendOnAbsentPortTriesOncePerReplyTimeout) {
  SetProcessOutTime(200);
  ASSERT_TRUE(Ini(Block(0)));
  sleeps = 0;
  line->vanished = true;
  line->openResult = SerialStatus::kBusy;
  comm.SendStr("A");  // the failed write closes the port
  ASSERT_FALSE(comm.Connected());
  const int before = line->openAttempts;
  struct Step {
    uint32_t advanceMs;
    int attempts;
  };
  const Step steps[] = {{0, 1}, {0, 1}, {199, 1}, {1, 2}, {150, 2}, {50, 3}};
  for (const Step& step : steps) {
    clock.Advance(step.advanceMs);
    comm.SendStr("B");
    EXPECT_EQ(line->openAttempts - before, step.attempts);
  }
  EXPECT_FALSE(comm.Connected());
  EXPECT_TRUE(line->writes.empty());

  line->openResult = SerialStatus::kOk;
  clock.Advance(200);
  comm.SendStr("C");
  EXPECT_TRUE(comm.Connected());
  ASSERT_EQ(line->writes.size(), 1u);
  EXPECT_EQ(line->writes[0], "C");
  EXPECT_EQ(line->configured.size(), 2u);
  EXPECT_EQ(sleeps, 0);
}

// A peer that never reads: the output takes nothing or part of a frame. Neither the send nor
// a poll waits for room; the rest goes out at later polls. A frame not out whole at the reply
// time-out, or when the next one is sent, is given up: its rest is dropped and the output
// purged, so that no half frame goes out ahead of another.
TEST_F(CommClassTest, AFullOutputNeverHoldsUpASendOrAPoll) {
  SetProcessOutTime(100);
  ASSERT_TRUE(Ini(Block(0)));
  auto sent = [&] {
    std::string all;
    for (const std::string& w : line->writes) all += w;
    line->writes.clear();
    return all;
  };
  struct Step {
    std::optional<size_t> room;
    uint32_t advanceMs;
    const char* send;  // or a poll
    const char* out;
    int purges;  // of the output, so far
  };
  const Step steps[] = {
      {0, 0, "REQUEST", "", 1},    {3, 0, nullptr, "REQ", 1}, {0, 50, nullptr, "", 1},
      {9, 50, nullptr, "UEST", 1},  // at the time-out itself, not past it
      {2, 0, "ABCDEF", "AB", 2},   {9, 101, nullptr, "", 3},  {9, 0, nullptr, "", 3},
      {1, 0, "GHI", "G", 4},       {9, 0, "JK", "JK", 5},     {9, 0, nullptr, "", 5},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.send ? step.send : "poll") + " " + step.out);
    line->outputRoom = step.room;
    clock.Advance(step.advanceMs);
    if (step.send) {
      comm.SendStr(step.send);
    } else {
      comm.GetStr();
    }
    EXPECT_EQ(sent(), step.out);
    EXPECT_EQ(line->outputPurges, step.purges);
  }
  EXPECT_EQ(line->writeWaitMs, 0u);

  // A device that fails while a rest waits is closed, and the rest goes with it.
  line->outputRoom = 0;
  comm.SendStr("LM");
  line->vanished = true;
  comm.GetStr();
  EXPECT_FALSE(comm.Connected());
  line->vanished = false;
  line->open = true;
  line->outputRoom.reset();
  comm.GetStr();
  EXPECT_EQ(sent(), "");
}

TEST_F(CommClassTest, ClosedPortCollectsNothing) {
  line->Arrive("xyz");
  EXPECT_EQ(comm.GetStr(), "");
  EXPECT_EQ(line->openAttempts, 0);
}

}  // namespace
}  // namespace vdinv::serial
