// The command line of vdinv: commands, options, their values and the help texts. Everything
// here is pure (no module, no files) so that it can be tested on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vdinv::tool {

// Exit codes of the tool, as documented in its help.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,     // the driver said no, or the operation failed
  kExitUsage = 2,      // bad command line
  kExitModule = 3,     // module could not be loaded or lacks an export
  kExitBlockFile = 4,  // block file missing, unreadable, unwritable, wrong size or already there
  kExitNoWindow = 5,   // the wizard could not be shown: no display
};

// A malformed command line; the text says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command {
  kTool,
  kInfo,
  kPdb,
  kPdbNew,
  kPdbShow,
  kRun,
  kWrite,
  kDemo,
  kAddr,
  kAddrList,
  kAddrCheck,
  kTest,
  kWizard
};

struct DeviceSetting {
  int number = 0;     // 0..99
  uint8_t model = 0;  // model code: 0 G11S, 1 P11S, 2 no device
};

struct PdbNewOptions {
  std::string file;
  std::optional<uint8_t> comPort;    // stored code 0..15 (COM1..COM16)
  std::optional<uint8_t> baudIndex;  // 0..14
  std::optional<uint8_t> dataBits;   // stored code: 3 = 7 bits, 4 = 8 bits
  std::optional<uint8_t> stopBits;   // stored code: 0 = 1, 1 = 1.5, 2 = 2
  std::optional<uint8_t> parity;     // 0 none, 1 odd, 2 even
  std::optional<uint16_t> outTime;   // ms, 10..60000
  std::optional<uint8_t> wcount;
  std::vector<DeviceSetting> devices;  // in command-line order, each number at most once
  bool debug = false;
  bool errorLog = false;
  bool traceLog = false;
  bool force = false;
};

// One tag of `run`: the address as typed (UTF-8) and its value type.
struct TagArgument {
  std::string address;
  uint8_t dataType = 0;  // 0 analog, 1 switch, 2 string
};

struct RunOptions {
  std::string file;
  std::vector<TagArgument> tags;
  std::optional<uint32_t> intervalMs;  // unset: ask the driver (DetectScanTime) before each poll
  std::optional<uint64_t> count;       // unset: until interrupted
  uint32_t scanPeriod = 1000;
  bool names = false;
  std::string port;         // --port: a serial device path used for the block's port; empty: none
  bool lineThread = false;  // --line-thread: the driver's exchanges on a thread of their own
};

// One write of `write`: the tag and the value to send, already checked against its type.
struct WriteArgument {
  TagArgument tag;
  double analog = 0;  // analog tags
  bool on = false;    // switch tags
  std::string text;   // string tags (UTF-8)
};

struct WriteOptions {
  std::string file;
  std::vector<WriteArgument> writes;   // TAG=VALUE, in command-line order
  std::vector<TagArgument> watched;    // plain TAGs: polled and printed only
  std::optional<uint32_t> intervalMs;  // unset: ask the driver (DetectScanTime)
  uint32_t timeoutMs = 10000;          // for the first values, and again for the confirmation
  uint32_t scanPeriod = 1000;
  std::string port;
};

struct DemoOptions {
  std::string dir = "vdinv-demo";  // where the demo keeps its host files, line link and log
  uint32_t timeoutMs = 10000;      // limit of each step that waits for the line
};

struct AddrCheckOptions {
  std::string file;
  std::vector<std::string> addresses;  // as typed (UTF-8), in command-line order
  bool skip = false;                   // hand TagEdAddr a non-zero skip-check byte
};

struct TestOptions {
  std::string file;
  bool silent = false;  // DLLTestDev's interactive byte 0: the check without a window
  std::string port;     // --port, as for run and write
};

struct WizardOptions {
  std::string file;  // the block the wizard edits, saved again when DLLEdDev answers 1
};

struct Invocation {
  Command command = Command::kTool;
  bool help = false;   // show the help of `command` and do nothing else
  std::string module;  // --module; empty: the default module
  PdbNewOptions pdbNew;
  std::string showFile;
  RunOptions run;
  WriteOptions write;
  DemoOptions demo;
  AddrCheckOptions addrCheck;
  TestOptions test;
  WizardOptions wizard;
};

// Parses the arguments after the program name (command_line.cpp). Throws UsageError.
Invocation ParseCommandLine(const std::vector<std::string>& args);

// A decimal number of digits only, in [min, max]. Throws UsageError.
uint64_t ParseNumber(std::string_view text, uint64_t min, uint64_t max);

// Single values; each throws UsageError naming what is wrong.
uint8_t ParseBaud(std::string_view text);             // an index 0..14 or a rate of the table
uint8_t ParseComPort(std::string_view text);          // "3" or "COM3" -> code 2
uint8_t ParseDataBits(std::string_view text);         // "7"/"8" -> code 3/4
uint8_t ParseStopBits(std::string_view text);         // "1"/"1.5"/"2" -> code 0/1/2
uint8_t ParseParity(std::string_view text);           // none/odd/even -> 0/1/2
DeviceSetting ParseDevice(std::string_view text);     // "N:MODEL", MODEL G11S, P11S or none
TagArgument ParseTagArgument(std::string_view text);  // "ADDRESS[@analog|@switch|@string]"
std::string ParseAddress(std::string_view text);      // an address of `addr check`: UTF-8
// "ADDRESS[@TYPE]=VALUE": analog a finite number, switch 0, 1, true or false, string
// any text (valid UTF-8).
WriteArgument ParseWriteArgument(std::string_view text);

// The help text of a command (UTF-8), generated from the command tree. defaultModule is the
// module loaded without --module.
std::string HelpText(Command command, const std::string& defaultModule);

}  // namespace vdinv::tool
