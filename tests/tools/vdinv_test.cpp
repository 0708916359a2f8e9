// The vdinv tool: its pure parts directly, and the built program as a subprocess.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/parameter_block.h"
#include "invsim/simulator.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "vdinv/block_format.h"
#include "vdinv/options.h"
#include "vdinv/run_format.h"

namespace vdinv::tool {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// ---------------------------------------------------------------- command line

TEST(VdinvOptions, BaudAcceptsIndexOrRate) {
  EXPECT_EQ(ParseBaud("6"), 6);
  EXPECT_EQ(ParseBaud("9600"), 6);
  EXPECT_EQ(ParseBaud("0"), 0);
  EXPECT_EQ(ParseBaud("110"), 0);
  EXPECT_EQ(ParseBaud("14"), 14);
  EXPECT_EQ(ParseBaud("256000"), 14);
  EXPECT_THROW(ParseBaud("15"), UsageError);
  EXPECT_THROW(ParseBaud("9601"), UsageError);
  EXPECT_THROW(ParseBaud("96oo"), UsageError);
  EXPECT_THROW(ParseBaud(""), UsageError);
  EXPECT_THROW(ParseBaud("99999999999999999999999"), UsageError);
}

TEST(VdinvOptions, SerialSettingsMapToStoredCodes) {
  EXPECT_EQ(ParseComPort("1"), 0);
  EXPECT_EQ(ParseComPort("COM16"), 15);
  EXPECT_EQ(ParseComPort("com3"), 2);
  EXPECT_THROW(ParseComPort("0"), UsageError);
  EXPECT_THROW(ParseComPort("COM17"), UsageError);
  EXPECT_THROW(ParseComPort("COM"), UsageError);
  EXPECT_EQ(ParseDataBits("7"), 3);
  EXPECT_EQ(ParseDataBits("8"), 4);
  EXPECT_THROW(ParseDataBits("6"), UsageError);
  EXPECT_EQ(ParseStopBits("1.5"), 1);
  EXPECT_EQ(ParseStopBits("2"), 2);
  EXPECT_EQ(ParseParity("Even"), 2);
  EXPECT_THROW(ParseParity("mark"), UsageError);
}

TEST(VdinvOptions, DeviceNeedsStationAndKnownModel) {
  DeviceSetting d = ParseDevice("99:p11s");
  EXPECT_EQ(d.number, 99);
  EXPECT_EQ(d.model, kModelP11S);
  EXPECT_EQ(ParseDevice("0:G11S").model, kModelG11S);
  EXPECT_EQ(ParseDevice("0:none").model, kModelNone);
  EXPECT_THROW(ParseDevice("100:G11S"), UsageError);
  EXPECT_THROW(ParseDevice("-1:G11S"), UsageError);
  EXPECT_THROW(ParseDevice("1"), UsageError);
  EXPECT_THROW(ParseDevice("1:G11"), UsageError);
}

TEST(VdinvOptions, TagOptionTypeSuffix) {
  TagArgument plain = ParseTagArgument("F1:3");
  EXPECT_EQ(plain.address, "F1:3");
  EXPECT_EQ(plain.dataType, kAnalog);
  EXPECT_EQ(ParseTagArgument("E1:2@switch").dataType, kSwitch);
  TagArgument link = ParseTagArgument("COMMLINK@String");
  EXPECT_EQ(link.address, "COMMLINK");
  EXPECT_EQ(link.dataType, kString);
  EXPECT_THROW(ParseTagArgument("F1:3@float"), UsageError);
  EXPECT_THROW(ParseTagArgument("@switch"), UsageError);
  EXPECT_THROW(ParseTagArgument("F1\xff"), UsageError);  // not UTF-8
}

TEST(VdinvOptions, CommandLines) {
  Invocation inv = ParseCommandLine({"pdb", "new", "--baud=19200", "a.pdb", "--device", "2:P11S",
                                     "--device", "0:none", "--timeout", "500", "--debug"});
  EXPECT_EQ(inv.command, Command::kPdbNew);
  EXPECT_EQ(inv.pdbNew.file, "a.pdb");
  EXPECT_EQ(inv.pdbNew.baudIndex, 8);
  ASSERT_EQ(inv.pdbNew.devices.size(), 2u);
  EXPECT_EQ(inv.pdbNew.devices[0].number, 2);
  EXPECT_EQ(inv.pdbNew.outTime, 500);
  EXPECT_TRUE(inv.pdbNew.debug);
  EXPECT_FALSE(inv.pdbNew.errorLog);

  inv = ParseCommandLine(
      {"--module", "/m.so", "run", "b.pdb", "F1:3", "E1:2@switch", "--count", "3", "--", "--odd"});
  EXPECT_EQ(inv.command, Command::kRun);
  EXPECT_EQ(inv.module, "/m.so");
  ASSERT_EQ(inv.run.tags.size(), 3u);
  EXPECT_EQ(inv.run.tags[2].address, "--odd");
  EXPECT_EQ(inv.run.count, 3u);
  EXPECT_FALSE(inv.run.intervalMs);
  EXPECT_FALSE(inv.run.lineThread);
  EXPECT_TRUE(ParseCommandLine({"run", "b.pdb", "F1:3", "--line-thread"}).run.lineThread);

  EXPECT_TRUE(ParseCommandLine({"help", "run"}).help);
  EXPECT_EQ(ParseCommandLine({"help", "run"}).command, Command::kRun);
  EXPECT_TRUE(ParseCommandLine({"pdb", "show", "--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);

  EXPECT_THROW(ParseCommandLine({}), UsageError);
  EXPECT_THROW(ParseCommandLine({"frobnicate"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "new"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "new", "a", "b"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "new", "a", "--device", "1:G11S", "--device", "1:P11S"}),
               UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "new", "a", "--timeout", "9"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "new", "a", "--debug=1"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"pdb", "show", "a", "--port", "1"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"run", "b.pdb"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"run", "b.pdb", "F1:3", "--interval"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"run", "b.pdb", "F1:3", "--interval", "0"}), UsageError);
  // Numbers are plain decimal: no octal, and no negative number wrapped into an unsigned one.
  EXPECT_EQ(ParseCommandLine({"run", "b.pdb", "F1:3", "--count", "010"}).run.count, 10u);
  EXPECT_THROW(ParseCommandLine({"run", "b.pdb", "F1:3", "--count=-1"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"frobnicate", "--help"}), UsageError);
}

TEST(VdinvOptions, WriteValuesFollowTheTagType) {
  WriteArgument w = ParseWriteArgument("F1:3=4000.5");
  EXPECT_EQ(w.tag.address, "F1:3");
  EXPECT_EQ(w.tag.dataType, kAnalog);
  EXPECT_DOUBLE_EQ(w.analog, 4000.5);
  EXPECT_DOUBLE_EQ(ParseWriteArgument("F1:3=-12").analog, -12);
  EXPECT_TRUE(ParseWriteArgument("E1:1@switch=1").on);
  EXPECT_TRUE(ParseWriteArgument("E1:1@switch=TRUE").on);
  EXPECT_FALSE(ParseWriteArgument("E1:1@switch=false").on);
  EXPECT_FALSE(ParseWriteArgument("E1:1@switch=0").on);
  WriteArgument text = ParseWriteArgument("X@string=a=b 变频器");
  EXPECT_EQ(text.tag.address, "X");
  EXPECT_EQ(text.text, "a=b 变频器");  // only the first '=' separates
  EXPECT_EQ(ParseWriteArgument("X@string=").text, "");

  EXPECT_THROW(ParseWriteArgument("F1:3"), UsageError);
  EXPECT_THROW(ParseWriteArgument("=5"), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3="), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3=12x"), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3= 12"), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3=nan"), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3=inf"), UsageError);
  EXPECT_THROW(ParseWriteArgument("F1:3=1e999"), UsageError);
  EXPECT_THROW(ParseWriteArgument("E1:1@switch=2"), UsageError);
  EXPECT_THROW(ParseWriteArgument("E1:1@switch=yes"), UsageError);
  EXPECT_THROW(ParseWriteArgument("E1:1@bool=1"), UsageError);
  EXPECT_THROW(ParseWriteArgument(std::string("X@string=\xff")), UsageError);
}

TEST(VdinvOptions, WriteDemoAndPortCommandLines) {
  Invocation inv = ParseCommandLine({"write", "l.pdb", "F1:3=4000", "DEVICELINK1@string",
                                     "E1:1@switch=1", "--port", "/dev/ttyUSB0", "--timeout", "500",
                                     "--interval=20", "--scan", "50"});
  EXPECT_EQ(inv.command, Command::kWrite);
  EXPECT_EQ(inv.write.file, "l.pdb");
  ASSERT_EQ(inv.write.writes.size(), 2u);
  EXPECT_EQ(inv.write.writes[0].tag.address, "F1:3");
  EXPECT_DOUBLE_EQ(inv.write.writes[0].analog, 4000);
  EXPECT_TRUE(inv.write.writes[1].on);
  ASSERT_EQ(inv.write.watched.size(), 1u);
  EXPECT_EQ(inv.write.watched[0].address, "DEVICELINK1");
  EXPECT_EQ(inv.write.port, "/dev/ttyUSB0");
  EXPECT_EQ(inv.write.timeoutMs, 500u);
  EXPECT_EQ(inv.write.intervalMs, 20u);
  EXPECT_EQ(inv.write.scanPeriod, 50u);
  EXPECT_EQ(ParseCommandLine({"write", "l.pdb", "F1:3=1"}).write.timeoutMs, 10000u);
  EXPECT_TRUE(ParseCommandLine({"write", "l.pdb", "F1:3=1"}).write.port.empty());
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3"}), UsageError);  // nothing to write
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3=x"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3=1", "--timeout", "0"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3=1", "--port"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3=1", "--port="}), UsageError);
  EXPECT_THROW(ParseCommandLine({"write", "l.pdb", "F1:3=1", "--count", "2"}), UsageError);

  inv = ParseCommandLine({"run", "l.pdb", "F1:3", "--port=/dev/ttyS3"});
  EXPECT_EQ(inv.run.port, "/dev/ttyS3");
  EXPECT_TRUE(ParseCommandLine({"run", "l.pdb", "F1:3"}).run.port.empty());
  EXPECT_THROW(ParseCommandLine({"run", "l.pdb", "F1:3", "--port="}), UsageError);

  inv = ParseCommandLine({"demo"});
  EXPECT_EQ(inv.command, Command::kDemo);
  EXPECT_EQ(inv.demo.dir, "vdinv-demo");
  inv = ParseCommandLine({"--module", "/m.so", "demo", "--dir", "/tmp/d", "--timeout", "3000"});
  EXPECT_EQ(inv.module, "/m.so");
  EXPECT_EQ(inv.demo.dir, "/tmp/d");
  EXPECT_EQ(inv.demo.timeoutMs, 3000u);
  EXPECT_TRUE(ParseCommandLine({"help", "demo"}).help);
  EXPECT_THROW(ParseCommandLine({"demo", "extra"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"demo", "--port", "/dev/ttyS0"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"demo", "--dir="}), UsageError);
}

TEST(VdinvOptions, AddrCommandLines) {
  Invocation inv = ParseCommandLine({"addr", "list", "--module", "/m.so"});
  EXPECT_EQ(inv.command, Command::kAddrList);
  EXPECT_EQ(inv.module, "/m.so");

  inv = ParseCommandLine({"addr", "check", "b.pdb", "f1：5", "--skip", "", "--", "-3"});
  EXPECT_EQ(inv.command, Command::kAddrCheck);
  EXPECT_EQ(inv.addrCheck.file, "b.pdb");
  EXPECT_TRUE(inv.addrCheck.skip);
  // An empty address goes to the driver as it is; "--" lets an address begin with '-'.
  EXPECT_EQ(inv.addrCheck.addresses, (std::vector<std::string>{"f1：5", "", "-3"}));
  EXPECT_FALSE(ParseCommandLine({"addr", "check", "b.pdb", "F1:5"}).addrCheck.skip);

  EXPECT_TRUE(ParseCommandLine({"help", "addr", "check"}).help);
  EXPECT_EQ(ParseCommandLine({"addr", "--help"}).command, Command::kAddr);
  EXPECT_EQ(ParseCommandLine({"addr", "list", "-h"}).command, Command::kAddrList);

  EXPECT_THROW(ParseCommandLine({"addr"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "show"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "list", "extra"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "list", "--skip"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "check"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "check", "b.pdb"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "check", "b.pdb", "F1\xff"}), UsageError);
  EXPECT_THROW(ParseCommandLine({"addr", "check", "b.pdb", "F1:5", "--skip=1"}), UsageError);
}

// ---------------------------------------------------------------- blocks

// A block as the driver's defaults leave a zeroed one: device 0 a G11S without a name.
TDevParmBlock DefaultedBlock() {
  TDevParmBlock pdb;
  std::memset(&pdb, 0, sizeof pdb);
  pdb.OutTime = 1000;
  pdb.WCount = 2;
  pdb.BaudIndex = 6;
  pdb.DataBits = 4;
  for (int i = 0; i < kDeviceCount; ++i) {
    pdb.Devices[i].DevNo = i;
    pdb.Devices[i].Model = kModelNone;
  }
  pdb.Devices[0].Model = kModelG11S;
  return pdb;
}

TEST(VdinvBlock, DefaultBlockGetsDeviceZerosName) {
  TDevParmBlock pdb = DefaultedBlock();
  ApplyNewOptions(PdbNewOptions{}, pdb);
  EXPECT_EQ(pdb.Devices[0].ModelName.Get(), "G11S");
  EXPECT_EQ(pdb.Devices[1].ModelName.Get(), "");
  EXPECT_FALSE(CheckPdbModels(pdb));  // the driver's normalisation keeps device 0
  EXPECT_EQ(pdb.LinkMode, 0);
  EXPECT_EQ(pdb.CurDevice, 0);
}

TEST(VdinvBlock, OptionsSetDevicesAndSerialSettings) {
  TDevParmBlock pdb = DefaultedBlock();
  PdbNewOptions o;
  o.devices = {{0, kModelNone}, {7, kModelP11S}};
  o.comPort = 2;
  o.parity = 2;
  o.wcount = 5;
  o.traceLog = true;
  ApplyNewOptions(o, pdb);
  EXPECT_EQ(pdb.Devices[0].Model, kModelNone);
  EXPECT_EQ(pdb.Devices[7].Model, kModelP11S);
  EXPECT_EQ(pdb.Devices[7].ModelName.Get(), "P11S");
  EXPECT_EQ(pdb.ComPort, 2);
  EXPECT_EQ(pdb.Parity, 2);
  EXPECT_EQ(pdb.WCount, 5);
  EXPECT_EQ(pdb.EnTraceLog, 1);
  EXPECT_EQ(pdb.EnDebug, 0);
  EXPECT_EQ(pdb.CurDevice, 7);  // the one device of an RS232 line
  EXPECT_FALSE(CheckPdbModels(pdb));

  o.devices = {{7, kModelP11S}};
  ApplyNewOptions(o, pdb);
  EXPECT_EQ(DevicesInUse(pdb), 1);
  o.devices = {{3, kModelG11S}};
  ApplyNewOptions(o, pdb);
  EXPECT_EQ(DevicesInUse(pdb), 2);
  EXPECT_EQ(pdb.LinkMode, 1);
  EXPECT_EQ(pdb.CurDevice, 0);
}

TEST(VdinvBlock, FormatShowsSettingsAndFlagsDevicesTheDriverDrops) {
  TDevParmBlock pdb = DefaultedBlock();
  ApplyNewOptions(PdbNewOptions{}, pdb);
  pdb.Devices[3].Model = kModelP11S;
  pdb.Devices[3].ModelName.Set("G11S");
  pdb.Devices[4].Model = 9;
  pdb.InitStr.Set(platform::Utf8ToGbk("初始化"));
  std::string text = FormatBlock(pdb);
  EXPECT_THAT(text, HasSubstr("COM1"));
  EXPECT_THAT(text, HasSubstr("9600 baud, 8 data bits, 1 stop bit, no parity"));
  EXPECT_THAT(text, HasSubstr("\"初始化\""));
  EXPECT_THAT(text, HasSubstr("Devices in use: 3"));
  EXPECT_THAT(text, HasSubstr("  0    0      \"G11S\"\n"));
  EXPECT_THAT(text, HasSubstr("  3    1      \"G11S\"  ! name does not match"));
  EXPECT_THAT(text, HasSubstr("unknown model code"));

  pdb.BaudIndex = 15;
  pdb.DataBits = 3;
  pdb.StopBits = 1;
  pdb.Parity = 7;
  pdb.ComPort = 16;
  text = FormatBlock(pdb);
  EXPECT_THAT(text, HasSubstr("index 15 (unknown baud rate)"));
  EXPECT_THAT(text, HasSubstr("7 data bits, 1.5 stop bits, parity code 7 (unknown)"));
  EXPECT_THAT(text, HasSubstr("code 16 (unknown port)"));
}

// ---------------------------------------------------------------- run records

TEST(VdinvRun, TagRecordCutsAddressOnCharacterBoundary) {
  BuiltTag t = BuildTag(7, {"F1：3", kSwitch}, 250);
  EXPECT_EQ(t.info.TagID, 7u);
  EXPECT_STREQ(t.info.TagName, "Tag7");
  EXPECT_STREQ(t.info.TagAddr,
               "F1\xA3\xBA"
               "3");
  EXPECT_EQ(t.info.DataType, kSwitch);
  EXPECT_EQ(t.info.ScanPeriod, 250u);
  EXPECT_EQ(t.info.InitValue.vt, 0);
  EXPECT_FALSE(t.cut);

  std::string longAddress = "ab";
  for (int i = 0; i < 31; ++i) longAddress += "站";  // 2 + 62 bytes in GBK
  t = BuildTag(1, {longAddress, kAnalog}, 1000);
  EXPECT_TRUE(t.cut);
  EXPECT_EQ(std::strlen(t.info.TagAddr), 62u);  // not 63: that would split a character
  EXPECT_EQ(t.addressGbk.size(), 62u);

  // Characters without a GBK form are replaced, and the tool says so.
  EXPECT_TRUE(BuildTag(1, {"F1\xF0\x9F\x98\x80", kAnalog}, 1000).replaced);
  EXPECT_FALSE(BuildTag(1,
                        {"F1\xEF\xBC\x9A"
                         "3",
                         kAnalog},
                        1000)
                   .replaced);
}

TEST(VdinvRun, OleDates) {
  EXPECT_EQ(FormatTimestamp(OleDateToLocal(0.0)), "1899-12-30 00:00:00.000");
  EXPECT_EQ(FormatTimestamp(OleDateToLocal(45000.5)), "2023-03-15 12:00:00.000");
  EXPECT_EQ(FormatTimestamp(OleDateToLocal(-1.25)), "1899-12-29 06:00:00.000");
  EXPECT_EQ(FormatTimestamp(OleDateToLocal(2.0 - 1e-10)), "1900-01-01 00:00:00.000");
  EXPECT_EQ(FormatTimestamp(OleDateToLocal(36526.0 + 1.5 / 86400)), "2000-01-01 00:00:01.500");
}

TEST(VdinvRun, ValueFormats) {
  TTagValue v;
  std::memset(&v, 0, sizeof v);
  v.DataType = kAnalog;
  v.Value.analog = 50.25;
  EXPECT_EQ(FormatValue(v), "50.25");
  v.DataType = kSwitch;
  v.Value.raw[4] = 0xEE;  // only the first four bytes count
  v.Value.switchValue = 1;
  EXPECT_EQ(FormatValue(v), "1");
  v.DataType = kString;
  std::string gbk = platform::Utf8ToGbk("通讯正常!");
  v.Value.text = gbk.data();
  EXPECT_EQ(FormatValue(v), "\"通讯正常!\"");
  v.Value.text = nullptr;
  EXPECT_EQ(FormatValue(v), "\"\"");
}

// ---------------------------------------------------------------- addr output

TTagAddrTemplate Template(const std::string& prefix, const std::string& descriptionUtf8,
                          uint8_t type, uint8_t access, double lower, double upper) {
  TTagAddrTemplate t;
  std::memset(&t, 0, sizeof t);
  std::string description = platform::Utf8ToGbk(descriptionUtf8);
  t.prefixLen = static_cast<uint8_t>(prefix.size());
  std::memcpy(t.prefix, prefix.data(), prefix.size());
  t.descriptionLen = static_cast<uint8_t>(description.size());
  std::memcpy(t.description, description.data(), description.size());
  t.tagType = type;
  t.access = access;
  t.lowerLimit = lower;
  t.upperLimit = upper;
  return t;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(VdinvAddr, TemplateTableAlignsWideTextAndShowsUnknownCodes) {
  std::vector<TTagAddrTemplate> list = {Template("F", "基本功能", 0, 2, -65535, 65535),
                                        Template("CommErr", "x", 1, 0, 0, 1)};
  std::vector<std::string> lines = Lines(FormatAddrTemplates(list));
  ASSERT_EQ(lines.size(), 3u);
  // Wide characters take two columns: the columns line up on the terminal.
  EXPECT_EQ(lines[0], "Prefix   Description  Type    Access      Lower   Upper");
  EXPECT_EQ(lines[1], "F        基本功能     analog  read-write  -65535  65535");
  EXPECT_EQ(lines[2], "CommErr  x            switch  read-only   0       1");

  TTagAddrTemplate odd = Template("Q", "", 7, 1, 0.5, 1e20);
  odd.prefixLen = 255;  // a length byte that lies still stays within the record's 255 bytes
  std::string text = FormatAddrTemplates({odd});
  EXPECT_THAT(text, HasSubstr("type 7 (unknown)  code 1 (unknown)  0.5    1e+20"));
}

TEST(VdinvAddr, CheckAnswerShowsEveryPart) {
  std::string text = FormatAddrCheck({"f1：5", 1, "F1:5.-1", ""});
  EXPECT_THAT(text, HasSubstr("Address:     f1：5\n"));
  EXPECT_THAT(text, HasSubstr("Result:      1 (accepted)\n"));
  EXPECT_THAT(text, HasSubstr("Normal form: F1:5.-1\n"));
  EXPECT_THAT(text, HasSubstr("Message:     (none)\n"));

  text = FormatAddrCheck({"", 0, "", "first\r\nsecond\r\n"});
  EXPECT_THAT(text, HasSubstr("Address:     (empty)\n"));
  EXPECT_THAT(text, HasSubstr("Result:      0 (not a known type prefix)\n"));
  EXPECT_THAT(text, HasSubstr("Normal form: (none)\n"));
  EXPECT_THAT(text, HasSubstr("Message:     first\n             second\n"));
  EXPECT_THAT(FormatAddrCheck({"F1", 7, "F1", ""}), HasSubstr("7 (unexpected result)"));
}

// ---------------------------------------------------------------- the program

struct ToolResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ToolResult RunTool(const std::string& args, const std::string& env = "") {
  std::string command = env + " " + Quote(VDINV_TOOL_PATH) + " " + args + " 2>&1";
  ToolResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
  int status = pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(VdinvProgram, HelpAndUsageErrors) {
  ToolResult help = RunTool("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.output, HasSubstr("Exit codes"));
  EXPECT_THAT(help.output, HasSubstr("pdb new"));
  EXPECT_EQ(RunTool("run --help").exitCode, 0);
  EXPECT_THAT(RunTool("help pdb new").output, HasSubstr("--device N:MODEL"));
  EXPECT_THAT(help.output, HasSubstr("addr check FILE ADDRESS..."));
  EXPECT_THAT(RunTool("addr check --help").output, HasSubstr("--skip"));
  EXPECT_THAT(RunTool("help run").output, HasSubstr("--device 1:G11S"));

  ToolResult unknown = RunTool("frobnicate");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_THAT(unknown.output, HasSubstr("unknown command 'frobnicate'"));
  EXPECT_EQ(RunTool("").exitCode, 2);
  EXPECT_EQ(RunTool("pdb new x.pdb --baud 9601").exitCode, 2);
}

TEST(VdinvProgram, PdbShowRejectsMissingAndWrongSizedFiles) {
  test::TempDir dir;
  std::string small = dir.File("small.pdb");
  std::ofstream(small) << "0123456789";
  ToolResult r = RunTool("pdb show " + Quote(small));
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_THAT(r.output, HasSubstr("is not a device parameter block: it has 10 bytes"));
  EXPECT_THAT(r.output, HasSubstr("26508"));

  r = RunTool("pdb show " + Quote(dir.File("none.pdb")));
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_THAT(r.output, HasSubstr("does not exist"));
}

TEST(VdinvProgram, MissingModuleIsExitThree) {
  test::TempDir dir;
  ToolResult r = RunTool("--module " + Quote(dir.File("nothing.so")) + " info");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_THAT(r.output, HasSubstr("cannot load the driver module"));
  EXPECT_EQ(
      RunTool("pdb new " + Quote(dir.File("a.pdb")), "VDINV_MODULE=" + dir.File("x.so")).exitCode,
      3);
}

// The tests below need the built driver module.

TEST(VdinvProgram, InfoShowsTheModule) {
  ToolResult r = RunTool("info --module " + Quote(VDINV_MODULE_PATH));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("GetPDBLen:      26508"));
  EXPECT_THAT(r.output, HasSubstr("DetectScanTime: 1000 ms"));
  EXPECT_THAT(r.output, HasSubstr("IniDriver       present"));
}

TEST(VdinvProgram, PdbNewThenShowRoundTrip) {
  test::TempDir dir;
  std::string file = dir.File("line.pdb");
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  ToolResult made = RunTool("pdb new " + Quote(file) +
                            " --device 5:P11S --device 12:g11s --port COM2 --parity odd" + module);
  ASSERT_EQ(made.exitCode, 0) << made.output;
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  EXPECT_EQ(static_cast<long>(in.tellg()), 26508);

  ToolResult shown = RunTool("pdb show " + Quote(file));
  EXPECT_EQ(shown.exitCode, 0) << shown.output;
  EXPECT_THAT(shown.output, HasSubstr("COM2"));
  EXPECT_THAT(shown.output, HasSubstr("9600 baud, 8 data bits, 1 stop bit, odd parity"));
  EXPECT_THAT(shown.output, HasSubstr("Devices in use: 3"));
  EXPECT_THAT(shown.output, HasSubstr("  0    0      \"G11S\"\n"));
  EXPECT_THAT(shown.output, HasSubstr("  5    1      \"P11S\"\n"));
  EXPECT_THAT(shown.output, HasSubstr("  12   0      \"G11S\"\n"));
  EXPECT_THAT(shown.output, HasSubstr("LinkMode:     1"));
  EXPECT_THAT(shown.output, Not(HasSubstr("drops")));

  // An existing block is only replaced on request.
  ToolResult again = RunTool("pdb new " + Quote(file) + module);
  EXPECT_EQ(again.exitCode, 4);
  EXPECT_THAT(again.output, HasSubstr("--force"));
  EXPECT_EQ(RunTool("pdb new " + Quote(file) + " --force" + module).exitCode, 0);
  EXPECT_THAT(RunTool("pdb show " + Quote(file)).output, HasSubstr("Devices in use: 1"));
}

TEST(VdinvProgram, RunRejectsWrongSizedBlock) {
  test::TempDir dir;
  std::string small = dir.File("small.pdb");
  std::ofstream(small) << "0123456789";
  ToolResult r =
      RunTool("run " + Quote(small) + " F1:3 --count 1 --module " + Quote(VDINV_MODULE_PATH));
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_THAT(r.output, HasSubstr("10 bytes"));
}

// The words of each line, split at blanks.
std::vector<std::vector<std::string>> Words(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(text)) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    rows.push_back(words);
  }
  return rows;
}

TEST(VdinvProgram, AddrListShowsTheDriversTemplates) {
  ToolResult r = RunTool("addr list --module " + Quote(VDINV_MODULE_PATH));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  auto rows = Words(r.output);
  ASSERT_EQ(rows.size(), 12u) << r.output;  // count line, column heads, ten templates
  EXPECT_THAT(rows[0], ::testing::ElementsAre("GetTagAddrList:", "10", "template(s)"));
  using V = std::vector<std::string>;
  EXPECT_EQ(rows[2], (V{"F", "基本功能", "analog", "read-write", "-65535", "65535"}));
  EXPECT_EQ(rows[8], (V{"O", "选件功能", "analog", "read-write", "0", "256"}));
  EXPECT_EQ(rows[10], (V{"M", "监测数据", "analog", "read-only", "-65535", "65535"}));
  EXPECT_EQ(rows[11], (V{"CommErr", "通讯错误", "switch", "read-only", "0", "1"}));
}

TEST(VdinvProgram, AddrCheckNormalisesRefusesAndSkips) {
  test::TempDir dir;
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  std::string file = Quote(dir.File("line.pdb"));
  ASSERT_EQ(RunTool("pdb new " + file + " --device 1:G11S" + module).exitCode, 0);

  ToolResult r = RunTool("addr check " + file + " 'f1：5'" + module);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("Address:     f1：5\nResult:      1 (accepted)\n"
                                  "Normal form: F1:5.-1\n"));

  r = RunTool("addr check " + file + " F1:5 X1:2" + module);
  EXPECT_EQ(r.exitCode, 1) << r.output;  // one refusal is enough
  EXPECT_THAT(r.output, HasSubstr("Address:     X1:2\nResult:      0 (not a known type prefix)"));

  // Skipped, the check accepts anything and hands the address back as it was.
  r = RunTool("addr check --skip " + file + " X1:2 'f1：5'" + module);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("Address:     X1:2\nResult:      1 (accepted)\n"
                                  "Normal form: X1:2\nMessage:     (none)\n"));
  EXPECT_THAT(r.output, HasSubstr("Normal form: f1：5\n"));

  std::string small = dir.File("small.pdb");
  std::ofstream(small) << "0123456789";
  EXPECT_EQ(RunTool("addr check " + Quote(small) + " F1:5" + module).exitCode, 4);
  EXPECT_EQ(RunTool("addr check " + Quote(dir.File("none.pdb")) + " F1:5" + module).exitCode, 4);
}

// A pseudo-terminal standing in for the line's serial port COM1; nothing ever answers on it.
class SilentLine {
 public:
  SilentLine() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      slave_ = ptsname(master_);
    }
  }
  ~SilentLine() {
    if (master_ >= 0) close(master_);
  }
  bool Ok() const { return !slave_.empty(); }
  const std::string& Path() const { return slave_; }
  // Environment and working directory for a run of the tool on this line.
  std::string Env(const test::TempDir& dir) const {
    return "cd " + Quote(dir.Path()) + " && VD_INV_COM1=" + Quote(slave_) +
           " VD_INV_REGISTRY=" + Quote(dir.File("registry.ini"));
  }

 private:
  int master_ = -1;
  std::string slave_;
};

// In both modes of the line; --line-thread switches the line thread on for the run alone: the
// log's banner says so, and the registry stand-in in effect keeps its text and has no copy
// left behind.
TEST(VdinvProgram, RunReportsStatusTagsAndStops) {
  test::TempDir dir;
  SilentLine line;
  ASSERT_TRUE(line.Ok());
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  std::string file = dir.File("line.pdb");
  ASSERT_EQ(RunTool("pdb new " + Quote(file) + module).exitCode, 0);
  const std::string registry = "[Software\\KORVI]\nPATH=" + dir.Path() + "/\n";
  ASSERT_TRUE(platform::WriteWholeFile(dir.File("registry.ini"), registry));
  ASSERT_TRUE(platform::WriteWholeFile(dir.File("Ovatrex.ini"),
                                       "[WORKING]\nDefaultPROJECT=" + dir.File("p/x") + "\n"));
  const std::string log = dir.File("p") + "/Debug/VD_Inv.Log";
  const std::string modeLine = platform::Utf8ToGbk("：通讯在独立线程中运行  ...");

  for (const bool lineThread : {false, true}) {
    SCOPED_TRACE(lineThread ? "line thread" : "host's polls");
    platform::DeleteFile(log);
    ToolResult r =
        RunTool("run " + Quote(file) + " COMMLINK@string ENCOMMLINK@switch --count 2" +
                    " --interval 10 --names" + (lineThread ? " --line-thread" : "") + module,
                line.Env(dir) + " TMPDIR=" + Quote(dir.Path()));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("IniDriver: true"));
    EXPECT_THAT(r.output, HasSubstr("#1  Tag1  COMMLINK  string"));  // the tag list
    EXPECT_THAT(r.output, HasSubstr("#1  Tag1  COMMLINK  q=0x00000000  string  \"富士变频器通讯"));
    EXPECT_THAT(r.output, HasSubstr("FreeDriver: stopped after 2 poll(s)"));
    const std::optional<std::string> text = platform::ReadWholeFile(log);
    ASSERT_TRUE(text) << log;
    EXPECT_EQ(text->find(modeLine) != std::string::npos, lineThread);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("registry.ini")), registry);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      EXPECT_NE(entry.path().filename().string().rfind("vdinv-registry-", 0), 0u) << entry.path();
    }
  }
}

TEST(VdinvProgram, RunPortNamedComNUsesThatPortInsteadOfTheBlocks) {
  test::TempDir dir;
  SilentLine line;
  ASSERT_TRUE(line.Ok());
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  std::string file = dir.File("line.pdb");
  ASSERT_EQ(RunTool("pdb new " + Quote(file) + module).exitCode, 0);  // the block's port: COM1
  std::string env = "cd " + Quote(dir.Path()) +
                    " && VD_INV_COM1=/nonexistent/tty VD_INV_COM2=" + Quote(line.Path()) +
                    " VD_INV_REGISTRY=" + Quote(dir.File("registry.ini"));

  ToolResult r =
      RunTool("run " + Quote(file) + " COMMLINK@string --count 1 --port com2" + module, env);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("Port: COM2 (" + line.Path() + ")"));
  EXPECT_THAT(r.output, HasSubstr("IniDriver: true"));
}

TEST(VdinvProgram, RunExitsOneWhenTheDriverRefuses) {
  test::TempDir dir;
  SilentLine line;
  ASSERT_TRUE(line.Ok());
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  std::string file = dir.File("empty.pdb");
  ToolResult made = RunTool("pdb new " + Quote(file) + " --device 0:none" + module);
  ASSERT_EQ(made.exitCode, 0);
  EXPECT_THAT(made.output, HasSubstr("no device in use"));

  ToolResult r = RunTool("run " + Quote(file) + " F1:3 --count 1" + module, line.Env(dir));
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_THAT(r.output, HasSubstr("IniDriver: false"));
  EXPECT_THAT(r.output, HasSubstr("message: 驱动程序加载失败：无合法标签！"));
}

TEST(VdinvProgram, DemoWritesAndSeesTheBrokenLine) {
  test::TempDir dir;
  ToolResult r = RunTool("demo --dir " + Quote(dir.File("demo")) + " --timeout 5000 --module " +
                             Quote(VDINV_MODULE_PATH),
                         "cd " + Quote(dir.Path()) + " &&");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("IniDriver: true"));
  EXPECT_THAT(r.output, HasSubstr("DEVICELINK1  q=0x00000000  string  \"1号变频器G11S通讯正常!\""));
  EXPECT_THAT(r.output, HasSubstr("F1:3  q=0x00000000  analog  5000"));
  EXPECT_THAT(r.output, HasSubstr("write F1:3 = 4000: confirmed"));
  EXPECT_THAT(r.output, HasSubstr("F1:3  q=0x00000000  analog  4000"));
  EXPECT_THAT(r.output,
              HasSubstr("DEVICELINK2  q=0x00000000  string  \"2号变频器P11S通讯线路断路!\""));
  EXPECT_THAT(r.output, HasSubstr("The driver's log"));
  // The run report went to the log the demo names.
  auto log = platform::ReadWholeFile(dir.File("demo") + "/Debug/VD_Inv.Log");
  ASSERT_TRUE(log.has_value()) << r.output;
  EXPECT_THAT(platform::GbkToUtf8(*log), HasSubstr("退出运行"));
}

TEST(VdinvProgram, WriteConfirmsOnASimulatedLineAndPortSetsTheBlocksPort) {
  test::TempDir dir;
  invsim::Simulator sim{invsim::SimulatorOptions{dir.File("ttyINV"), {}, {}}};
  sim.SetStation(1, invsim::Model::kG11S);
  sim.SetValue(1, {'F', 3}, 3000);
  ASSERT_TRUE(sim.Start()) << sim.Error();
  std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  std::string file = dir.File("line.pdb");
  ASSERT_EQ(RunTool("pdb new " + Quote(file) +
                    " --port 3 --timeout 100 --device 0:none --device 1:G11S" + module)
                .exitCode,
            0);
  std::string env = "cd " + Quote(dir.Path()) +
                    " && VD_INV_REGISTRY=" + Quote(dir.File("registry.ini")) +
                    " VD_INV_COM3=/nonexistent/tty";
  ToolResult r =
      RunTool("write " + Quote(file) + " F1:3=1500 F1:4@string=ab DEVICELINK1@string --scan 50" +
                  " --interval 10 --timeout 5000 --port " + Quote(sim.LinkPath()) + module,
              env);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("COM3 is " + sim.LinkPath()));
  EXPECT_THAT(r.output, HasSubstr("F1:3  q=0x00000000  analog  3000"));
  EXPECT_THAT(r.output, HasSubstr("OnDataWrite: true"));
  EXPECT_THAT(r.output, HasSubstr("write F1:3 = 1500: confirmed"));
  EXPECT_EQ(sim.Value(1, {'F', 3}), 1500);
  // A string is confirmed by the data word it was sent as.
  EXPECT_THAT(r.output, HasSubstr("write F1:4 = \"ab\": confirmed"));
  EXPECT_EQ(sim.Value(1, {'F', 4}), 0xAB);

  // A monitor code is read-only: the driver refuses the write and the tool exits 1.
  r = RunTool("write " + Quote(file) + " M1:9=20 --scan 50 --interval 10 --timeout 600 --port " +
                  Quote(sim.LinkPath()) + module,
              env);
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_THAT(r.output, HasSubstr("OnDataWrite: false"));
  EXPECT_THAT(r.output, Not(HasSubstr("confirmed")));

  // A station that never answers: the write is refused or not confirmed in time, exit 1.
  invsim::StationFaults silent;
  silent.silent = true;
  sim.SetFaults(1, silent);
  // Writing 0: the failed line's value 0 (bad quality) does not count as the confirmation.
  r = RunTool("write " + Quote(file) + " F1:3=0 --scan 50 --interval 10 --timeout 300 --port " +
                  Quote(sim.LinkPath()) + module,
              env);
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_THAT(r.output, Not(HasSubstr(": confirmed")));
  sim.Stop();
}

// The device test on a line: a station that answers passes; once it falls silent, the six
// attempts find nobody.
TEST(VdinvProgram, TestPassesWhileTheDeviceAnswers) {
  test::TempDir dir;
  invsim::Simulator sim{invsim::SimulatorOptions{dir.File("ttyINV"), {}, {}}};
  sim.SetStation(1, invsim::Model::kG11S);
  ASSERT_TRUE(sim.Start()) << sim.Error();
  const std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  const std::string file = dir.File("line.pdb");
  ASSERT_EQ(
      RunTool("pdb new " + Quote(file) + " --timeout 50 --device 0:none --device 1:G11S" + module)
          .exitCode,
      0);
  // Without a display the interactive test is the silent check, whatever display the machine
  // that runs the tests has.
  const std::string env = "cd " + Quote(dir.Path()) +
                          " && VD_INV_REGISTRY=" + Quote(dir.File("registry.ini")) +
                          " env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  const std::string line = " --port " + Quote(sim.LinkPath()) + module;
  ToolResult r = RunTool("test " + Quote(file) + " --silent" + line, env);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_THAT(r.output, HasSubstr("DLLTestDev: 1 (a device answered)"));

  invsim::StationFaults silent;
  silent.silent = true;
  sim.SetFaults(1, silent);
  r = RunTool("test " + Quote(file) + line, env);
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_THAT(r.output, HasSubstr("DLLTestDev: 0 (no device answered)"));
  sim.Stop();
}

// Without a display the driver shows no wizard and answers 2: the tool says so, saves nothing
// and exits with its own code.
TEST(VdinvProgram, WizardWithoutADisplaySavesNothing) {
  test::TempDir dir;
  const std::string module = " --module " + Quote(VDINV_MODULE_PATH);
  const std::string file = dir.File("line.pdb");
  ASSERT_EQ(RunTool("pdb new " + Quote(file) + " --device 1:G11S" + module).exitCode, 0);
  const std::optional<std::string> before = platform::ReadWholeFile(file);
  const std::string env = "cd " + Quote(dir.Path()) +
                          " && VD_INV_REGISTRY=" + Quote(dir.File("registry.ini")) +
                          " env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  ToolResult r = RunTool("wizard " + Quote(file) + module, env);
  EXPECT_EQ(r.exitCode, 5) << r.output;
  EXPECT_THAT(r.output, HasSubstr("DLLEdDev: 2 (the wizard could not be shown"));
  EXPECT_EQ(platform::ReadWholeFile(file), before);
}

}  // namespace
}  // namespace vdinv::tool
