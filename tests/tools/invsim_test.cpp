#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "invsim/control.h"
#include "invsim/frame.h"
#include "invsim/options.h"
#include "invsim/simulator.h"
#include "platform/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace vdinv::invsim {
namespace {

using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;
using platform::LineRead;
using platform::PseudoTerminal;

// SOH, body, check code.
std::string Frame(const std::string& body) {
  return kSOH + body + CheckCode(body);
}
std::string Read(const std::string& station, const std::string& code) {
  return Frame(station + kENQ + "R" + code + " 0000" + kETX);
}
std::string Write(const std::string& station, const std::string& code, const std::string& data) {
  return Frame(station + kENQ + "W" + code + " " + data + kETX);
}
std::string Ack(const std::string& station, char command, const std::string& code,
                const std::string& data, char sign = ' ') {
  return Frame(station + kACK + command + code + sign + data + kETX);
}
std::string Nak(const std::string& station, char command, const std::string& code,
                const std::string& data) {
  return Frame(station + kNAK + command + code + " " + data + kETX);
}

// ---- frames, without a line ----

TEST(InvsimFrame, GoldenCheckCodesAndReplies) {
  EXPECT_EQ(CheckCode(std::string("12") + kENQ + "WS01 0FA0" + kETX), "7D");
  EXPECT_EQ(CheckCode(std::string("12") + kACK + "WS01 0FA0" + kETX), "7E");
  EXPECT_EQ(CheckCode(std::string("12") + kENQ + "RM09 0000" + kETX), "53");
  EXPECT_EQ(CheckCode(std::string("12") + kNAK + "WS01 004C" + kETX), "7D");
  EXPECT_EQ(CheckCode("abc"), "26");
  EXPECT_EQ(CheckCode("\x0A"), "0A");  // always two digits

  const std::string readReply = EncodeReply({12, true, false, {'M', 9}, false, 0x0BB8});
  EXPECT_EQ(readReply, std::string("\x01") + "12" + kACK + "RM09 0BB8" + kETX + "80");
  EXPECT_EQ(EncodeReply({12, false, true, {'S', 1}, false, 0x004C}),
            std::string("\x01") + "12" + kNAK + "WS01 004C" + kETX + "7D");
  const std::string negative = EncodeReply({1, true, false, {'M', 8}, true, 120});
  ASSERT_EQ(negative.size(), 16u);
  EXPECT_EQ(negative[8], '-');  // the ninth byte, counted from SOH
  EXPECT_EQ(negative.substr(9, 4), "0078");
}

TEST(InvsimFrame, ReaderFindsRequestsInNoiseAndPieces) {
  RequestReader reader;
  const std::string request = Write("12", "S01", "0FA0");
  reader.Feed(std::string("\xFF\x00zz", 4) + request.substr(0, 7));
  EXPECT_FALSE(reader.Next());  // incomplete
  reader.Feed(request.substr(7, 8));
  EXPECT_FALSE(reader.Next());  // ETX is there, the check code is not
  reader.Feed(request.substr(15));
  auto event = reader.Next();
  ASSERT_TRUE(event);
  ASSERT_EQ(event->kind, RequestReader::Kind::kRequest);
  EXPECT_EQ(event->request.station, 12);
  EXPECT_TRUE(event->request.write);
  EXPECT_EQ(event->request.function, (FunctionCode{'S', 1}));
  EXPECT_EQ(event->request.data, 0x0FA0);
  EXPECT_EQ(reader.NoiseBytes(), 4u);
  EXPECT_FALSE(reader.Next());
  EXPECT_EQ(reader.Buffered(), 0u);
}

TEST(InvsimFrame, ReaderRejectsBrokenFramesButKeepsWhatFollows) {
  RequestReader reader;
  std::string badCheck = Read("01", "F03");
  badCheck.back() = badCheck.back() == '0' ? '1' : '0';
  std::string lowerCase = Write("12", "S01", "0FA0");  // check code "7D", sent as "7d"
  lowerCase.back() = 'd';
  // A cut-off request (its rest never came) directly followed by a good one.
  const std::string cut = Read("02", "F03").substr(0, 8);
  reader.Feed(badCheck + lowerCase + cut + Read("03", "E20"));
  EXPECT_EQ(reader.Next()->kind, RequestReader::Kind::kBadCheck);
  EXPECT_EQ(reader.Next()->kind, RequestReader::Kind::kBadCheck);
  EXPECT_EQ(reader.Next()->kind, RequestReader::Kind::kBadCheck);
  auto good = reader.Next();
  ASSERT_TRUE(good);
  ASSERT_EQ(good->kind, RequestReader::Kind::kRequest);
  EXPECT_EQ(good->request.station, 3);
  EXPECT_EQ(good->request.function, (FunctionCode{'E', 20}));

  // Good check codes around things that are not requests.
  for (const std::string& body : {std::string("01") + kENQ + "RX03 0000" + kETX,
                                  std::string("01") + kENQ + "WF03 10000" + kETX,
                                  std::string("01") + kENQ + "QF03 0000" + kETX,
                                  std::string("01") + kENQ + "RF03 00G0" + kETX,
                                  std::string("1x") + kENQ + "RF03 0000" + kETX}) {
    reader.Feed(Frame(body));
    auto event = reader.Next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, RequestReader::Kind::kMalformed) << body;
  }
  // An SOH followed by endless bytes without ETX does not make the buffer grow for ever.
  reader.Feed(std::string(1, kSOH) + std::string(100, 'A'));
  EXPECT_EQ(reader.Next()->kind, RequestReader::Kind::kMalformed);
  EXPECT_FALSE(reader.Next());
  EXPECT_EQ(reader.Buffered(), 0u);
}

// ---- the command line ----

TEST(InvsimOptions, ParsesTheLine) {
  CommandLine cl = ParseCommandLine({"--link", "/tmp/ttyINV", "--baud", "9600", "--turnaround", "5",
                                     "--station", "1:g11s", "--station", "12:P11S", "--set",
                                     "12:M09=-120", "--set", "1:f03=0x0BB8", "--echo"});
  EXPECT_EQ(cl.simulator.linkPath, "/tmp/ttyINV");
  EXPECT_EQ(cl.simulator.line.baud, 9600u);
  EXPECT_EQ(cl.simulator.line.turnaroundMs, 5u);
  EXPECT_TRUE(cl.simulator.line.localEcho);
  ASSERT_EQ(cl.stations.size(), 2u);
  EXPECT_EQ(cl.stations[1].station, 12);
  EXPECT_EQ(cl.stations[1].model, Model::kP11S);
  ASSERT_EQ(cl.values.size(), 2u);
  EXPECT_EQ(cl.values[0].function, (FunctionCode{'M', 9}));
  EXPECT_EQ(cl.values[0].value, -120);
  EXPECT_EQ(cl.values[1].function, (FunctionCode{'F', 3}));
  EXPECT_EQ(cl.values[1].value, 3000);

  EXPECT_EQ(ParseCommandLine({"--baud", "010"}).simulator.line.baud, 10u);  // not octal

  CommandLine bare = ParseCommandLine({});
  ASSERT_EQ(bare.stations.size(), 1u);
  EXPECT_EQ(bare.stations[0].station, 0);
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_THAT(HelpText(), HasSubstr("--station N:MODEL"));
}

TEST(InvsimOptions, RefusesBadValues) {
  const std::vector<std::vector<std::string>> bad = {
      {"--station", "100:G11S"},
      {"--station", "1:X11S"},
      {"--station", "1"},
      {"--station", "1:G11S", "--station", "1:P11S"},
      {"--set", "1:F03=1"},
      {"--station", "1:G11S", "--set", "1:F03=-1"},
      {"--station", "1:G11S", "--set", "1:F03=65536"},
      {"--station", "1:G11S", "--set", "1:M03=-65536"},
      {"--station", "1:G11S", "--set", "1:Z03=1"},
      {"--station", "1:G11S", "--set", "1:F03"},
      {"--baud"},
      {"--baud", "fast"},
      {"--turnaround", "-1"},
      {"--link", "a", "--device", "b"},
      {"--frobnicate"},
      {"extra"}};
  for (const auto& args : bad) {
    EXPECT_THROW(ParseCommandLine(args), UsageError) << ::testing::PrintToString(args);
  }
}

// ---- through a real pseudo-terminal ----

class InvsimLine : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.SetStation(1, Model::kG11S);
    sim_.SetStation(12, Model::kP11S);
    ASSERT_TRUE(sim_.Start()) << sim_.Error();
    ASSERT_TRUE(client_.OpenDevice(sim_.Path())) << client_.LastError();
  }

  // Sends a request and collects count bytes (or what came within timeoutMs).
  std::string Exchange(const std::string& request, size_t count, uint32_t timeoutMs = 1000) {
    EXPECT_TRUE(client_.Write(request));
    return Collect(count, timeoutMs);
  }
  std::string Collect(size_t count, uint32_t timeoutMs = 1000) {
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && Clock::now() < deadline) {
      if (client_.Read(out, 5, count - out.size()) == LineRead::kClosed) break;
    }
    return out;
  }
  // Sends a request that should go unanswered: waits until the simulator has dealt with it,
  // then makes sure nothing arrives.
  void ExpectSilence(const std::string& request) {
    const uint64_t handled = sim_.FramesHandled();
    ASSERT_TRUE(client_.Write(request));
    ASSERT_TRUE(sim_.WaitForFramesHandled(handled + 1, 1000));
    std::string out;
    EXPECT_EQ(client_.Read(out, 30), LineRead::kTimeout) << ::testing::PrintToString(out);
  }

  Simulator sim_;
  PseudoTerminal client_;
};

TEST_F(InvsimLine, GoldenWriteAndReadByteForByte) {
  const std::string write = Write("12", "S01", "0FA0");
  ASSERT_EQ(write.substr(14), "7D");
  const std::string ack = Exchange(write, 16);
  EXPECT_EQ(ack, std::string("\x01") + "12" + kACK + "WS01 0FA0" + kETX + "7E");
  EXPECT_EQ(sim_.Value(12, {'S', 1}), 0x0FA0);
  // Read after write returns the written value.
  EXPECT_EQ(Exchange(Read("12", "S01"), 16), Ack("12", 'R', "S01", "0FA0"));

  sim_.SetValue(12, {'M', 9}, 3000);
  const std::string read = Read("12", "M09");
  ASSERT_EQ(read.substr(14), "53");
  EXPECT_EQ(Exchange(read, 16), std::string("\x01") + "12" + kACK + "RM09 0BB8" + kETX + "80");
}

TEST_F(InvsimLine, MemoryMonitorValuesAndRefusedWrites) {
  EXPECT_EQ(Exchange(Read("01", "F42"), 16), Ack("01", 'R', "F42", "0000"));  // never set
  sim_.SetValue(1, {'M', 8}, -120);
  EXPECT_EQ(Exchange(Read("01", "M08"), 16), Ack("01", 'R', "M08", "0078", '-'));
  // Monitor codes are read-only: NAK "write disabled", memory unchanged.
  EXPECT_EQ(Exchange(Write("01", "M08", "0001"), 16), Nak("01", 'W', "M08", "004F"));
  EXPECT_EQ(sim_.Value(1, {'M', 8}), -120);
  // Stations do not share memory.
  EXPECT_EQ(Exchange(Write("01", "F07", "FFFF"), 16), Ack("01", 'W', "F07", "FFFF"));
  EXPECT_EQ(Exchange(Read("12", "F07"), 16), Ack("12", 'R', "F07", "0000"));
  EXPECT_EQ(sim_.RequestsSeen(1, {'F', 7}), 1u);
  EXPECT_EQ(sim_.RequestsSeen(1), 4u);
  EXPECT_EQ(sim_.RepliesSent(), 5u);
}

TEST_F(InvsimLine, BrokenRequestsAndAbsentStationsGetNoReply) {
  std::string badCheck = Read("01", "F03");
  badCheck.back() = badCheck.back() == '0' ? '1' : '0';
  ExpectSilence(badCheck);
  EXPECT_EQ(sim_.FramesRejected(), 1u);
  ExpectSilence(Read("05", "F03"));  // no station 5
  EXPECT_EQ(sim_.RequestsSeen(5), 1u);
  sim_.RemoveStation(12);
  ExpectSilence(Read("12", "F03"));
  EXPECT_EQ(sim_.RepliesSent(), 0u);
  // The line still works afterwards, also behind noise.
  EXPECT_EQ(Exchange("\xFF\x10garbage" + Read("01", "F03"), 16), Ack("01", 'R', "F03", "0000"));
}

TEST_F(InvsimLine, StationFaultsShowOnTheWire) {
  sim_.SetValue(1, {'F', 3}, 100);
  const std::string request = Read("01", "F03");
  const std::string good = Ack("01", 'R', "F03", "0064");

  StationFaults faults;
  faults.silent = true;
  sim_.SetFaults(1, faults);
  ExpectSilence(request);

  faults = {};
  faults.nakCode = 0x004C;
  sim_.SetFaults(1, faults);
  EXPECT_EQ(Exchange(request, 16), Nak("01", 'R', "F03", "004C"));

  faults = {};
  faults.badCheck = true;
  sim_.SetFaults(1, faults);
  const std::string bad = Exchange(request, 16);
  EXPECT_EQ(bad.substr(0, 14), good.substr(0, 14));
  EXPECT_NE(bad.substr(14), good.substr(14));
  EXPECT_NE(bad.substr(14), CheckCode(bad.substr(1, 13)));

  faults = {};
  faults.noise = std::string("\x00\xFE\x03", 3);
  sim_.SetFaults(1, faults);
  EXPECT_EQ(Exchange(request, 19), faults.noise + good);

  faults = {};
  faults.echoStation = 2;
  faults.echoCode = FunctionCode{'F', 4};
  sim_.SetFaults(1, faults);
  EXPECT_EQ(Exchange(request, 16), Ack("02", 'R', "F04", "0064"));

  sim_.ClearFaults(1);
  EXPECT_EQ(Exchange(request, 16), good);
}

TEST_F(InvsimLine, SplitAndSlowRepliesArriveLate) {
  const std::string request = Read("01", "F03");
  StationFaults faults;
  faults.splitParts = 2;
  faults.splitGapMs = 100;
  sim_.SetFaults(1, faults);
  ASSERT_TRUE(client_.Write(request));
  const std::string first = Collect(8);
  std::string more;
  EXPECT_EQ(client_.Read(more, 30), LineRead::kTimeout);  // the first half, then the gap
  EXPECT_EQ(first + Collect(8), Ack("01", 'R', "F03", "0000"));

  faults = {};
  faults.delayMs = 40;
  sim_.SetFaults(1, faults);
  sim_.SetLine({0, 20, false});  // plus a turnaround of 20 ms
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(request, 16), Ack("01", 'R', "F03", "0000"));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));
}

TEST_F(InvsimLine, LocalEchoAndBaudPacing) {
  const std::string request = Read("12", "F03");
  const std::string reply = Ack("12", 'R', "F03", "0000");
  sim_.SetLine({0, 0, true});
  EXPECT_EQ(Exchange(request, 32), request + reply);
  // Whatever is received is echoed, also what no station answers.
  EXPECT_EQ(Exchange("junk", 4), "junk");
  std::string extra;
  EXPECT_EQ(client_.Read(extra, 30), LineRead::kTimeout);

  // 16 bytes at 9600 baud: 16 character times of 1.0417 ms.
  sim_.SetLine({9600, 0, false});
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(request, 16), reply);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::microseconds(15500));
  EXPECT_LT(took, std::chrono::milliseconds(500));
}

TEST_F(InvsimLine, NoiseFloodAndEndlessReplyStreamWithoutEnd) {
  const std::string request = Read("01", "F03");
  const std::string reply = Ack("01", 'R', "F03", "0000");

  // The flood runs unasked, far beyond a pipe's buffer, with every kind of byte in it; a
  // request is still answered in the middle of it.
  sim_.SetLine({0, 0, false, true});
  const std::string flood = Collect(100000, 5000);
  ASSERT_EQ(flood.size(), 100000u);
  EXPECT_NE(flood.find(kSOH), std::string::npos);
  EXPECT_NE(flood.find(kETX), std::string::npos);
  EXPECT_NE(flood.find('\xFF'), std::string::npos);
  ASSERT_TRUE(client_.Write(request));
  ASSERT_TRUE(sim_.WaitForFramesHandled(1, 1000));
  EXPECT_NE(Collect(100000, 5000).find(reply), std::string::npos);
  sim_.SetLine({});
  std::string rest;
  while (client_.Read(rest, 30) == LineRead::kData) rest.clear();

  // An endless reply begins as the reply does and never reaches ETX; the next request ends it.
  StationFaults faults;
  faults.endless = true;
  sim_.SetFaults(1, faults);
  const std::string endless = Exchange(request, 10000, 5000);
  ASSERT_EQ(endless.size(), 10000u);
  EXPECT_EQ(endless.substr(0, 10), reply.substr(0, 10));
  EXPECT_EQ(endless.find(kETX), std::string::npos);
  EXPECT_EQ(endless.find_first_not_of('0', 10), std::string::npos);
  EXPECT_EQ(sim_.RepliesSent(), 1u);  // the one in the flood
  sim_.ClearFaults(1);
  const std::string after = Exchange(request, 100000, 300);
  EXPECT_EQ(after.substr(after.size() - reply.size()), reply);
  EXPECT_EQ(sim_.RepliesSent(), 2u);
}

TEST_F(InvsimLine, StopCutsALongReplyShort) {
  StationFaults faults;
  faults.delayMs = 10000;
  sim_.SetFaults(1, faults);
  ASSERT_TRUE(client_.Write(Read("01", "F03")));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = Clock::now();
  sim_.Stop();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(sim_.Running());
  EXPECT_EQ(sim_.RepliesSent(), 0u);
}

TEST(InvsimReplug, NewLineBehindTheSameLinkOldPathGone) {
  test::TempDir dir;
  const std::string link = dir.File("ttyINV0");
  SimulatorOptions options;
  options.linkPath = link;
  Simulator sim(options);
  sim.SetStation(3, Model::kG11S);
  ASSERT_TRUE(sim.Start()) << sim.Error();
  const std::string oldPath = sim.Path();
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), oldPath);

  PseudoTerminal before;
  ASSERT_TRUE(before.OpenDevice(link));
  ASSERT_TRUE(sim.Replug(0)) << sim.Error();
  const std::string newPath = sim.Path();
  EXPECT_NE(newPath, oldPath);
  EXPECT_FALSE(std::filesystem::exists(oldPath));
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), newPath);
  std::string out;
  EXPECT_EQ(before.Read(out, 200), LineRead::kClosed);  // the client sees the hang-up

  PseudoTerminal after;
  ASSERT_TRUE(after.OpenDevice(link));
  ASSERT_TRUE(after.Write(Read("03", "F03")));
  std::string reply;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while (reply.size() < 16 && Clock::now() < deadline) after.Read(reply, 5, 16 - reply.size());
  EXPECT_EQ(reply, Ack("03", 'R', "F03", "0000"));

  sim.Stop();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_FALSE(sim.Replug(0));  // not running
}

// A program that cannot link the simulator steers it through command files; every command
// acts on the running line, in order, and a later client numbers its commands after the
// earlier one's.
TEST(InvsimControl, CommandFilesSteerTheRunningLine) {
  test::TempDir dir;
  SimulatorOptions options;
  options.linkPath = dir.File("ttyINV0");
  Simulator sim(options);
  sim.SetStation(1, Model::kG11S);
  ASSERT_TRUE(sim.Start()) << sim.Error();
  const std::string control = dir.File("control");
  ControlChannel channel(sim, control);
  ASSERT_TRUE(channel.Start());
  PseudoTerminal line;
  ASSERT_TRUE(line.OpenDevice(options.linkPath));
  // Sends a read of F03 of station 1; the reply, or nothing once the simulator has dealt with it.
  auto exchange = [&] {
    const uint64_t handled = sim.FramesHandled();
    EXPECT_TRUE(line.Write(Read("01", "F03")));
    EXPECT_TRUE(sim.WaitForFramesHandled(handled + 1, 1000));
    std::string reply;
    line.Read(reply, 50, 16);
    return reply;
  };

  ControlClient client(control);
  EXPECT_EQ(client.Send("set 1:F03=1500"), "ok");
  EXPECT_EQ(sim.Value(1, {'F', 3}), 1500);
  EXPECT_EQ(client.Send("value 1:F03"), "ok 1500");
  EXPECT_EQ(client.Send("silent 1"), "ok");
  EXPECT_EQ(exchange(), "");
  EXPECT_EQ(client.Send("answer 1"), "ok");
  EXPECT_EQ(exchange(), Ack("01", 'R', "F03", "05DC"));
  EXPECT_EQ(ControlClient(control).Send("replies"), "ok 1");
  const std::string before = sim.Path();
  EXPECT_EQ(client.Send("replug 0"), "ok");
  EXPECT_NE(sim.Path(), before);

  const std::pair<const char*, const char*> refused[] = {
      {"value 1:Q03", "error: '1:Q03' is not N:CODE (e.g. 1:F03)"},
      {"silent 100", "error: station '100' is not 0..99"},
      {"set 1:F03", "error: --set: '1:F03' is not N:GROUPCODE=VALUE (e.g. 1:F03=3000)"},
      {"replies 2", "error: usage: replies"},
      {"stop", "error: unknown command 'stop'"},
  };
  for (const auto& [command, answer] : refused) EXPECT_EQ(client.Send(command), answer);
  channel.Stop();
  sim.Stop();
}

}  // namespace
}  // namespace vdinv::invsim
