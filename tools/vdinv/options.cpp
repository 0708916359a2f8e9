#include "vdinv/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

#include "common/parameter_block.h"
#include "platform/text.h"

namespace vdinv::tool {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

uint64_t ParseNumber(std::string_view text, uint64_t min, uint64_t max, const std::string& what) {
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec == std::errc::invalid_argument || end != text.data() + text.size()) {
    throw UsageError(what + ": '" + std::string(text) + "' is not a number");
  }
  if (ec == std::errc::result_out_of_range || value < min || value > max) {
    throw UsageError(what + ": " + std::string(text) + " is out of range (" + std::to_string(min) +
                     ".." + std::to_string(max) + ")");
  }
  return value;
}

// The options a command accepts: name -> whether it takes a value.
using OptionSet = std::map<std::string, bool, std::less<>>;

struct Scanned {
  std::vector<std::pair<std::string, std::string>> options;  // in order; value empty for flags
  std::vector<std::string> positionals;
  bool help = false;
};

Scanned Scan(const std::vector<std::string>& args, size_t from, const OptionSet& allowed,
             const std::string& command) {
  Scanned out;
  bool optionsEnded = false;
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      out.help = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) throw UsageError(command + ": unknown option '" + arg + "'");
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    auto found = allowed.find(name);
    if (found == allowed.end()) throw UsageError(command + ": unknown option '--" + name + "'");
    if (found->second) {
      if (!value) {
        if (i + 1 >= args.size())
          throw UsageError(command + ": option '--" + name + "' needs a value");
        value = args[++i];
      }
      out.options.emplace_back(name, *value);
    } else {
      if (value) throw UsageError(command + ": option '--" + name + "' takes no value");
      out.options.emplace_back(name, "");
    }
  }
  return out;
}

void ExpectPositionals(const Scanned& s, size_t min, size_t max, const std::string& command,
                       const std::string& what) {
  if (s.positionals.size() < min) throw UsageError(command + ": missing " + what);
  if (s.positionals.size() > max) {
    throw UsageError(command + ": unexpected argument '" + s.positionals[max] + "'");
  }
}

const OptionSet kInfoOptions = {{"module", true}};
const OptionSet kShowOptions = {{"module", true}};
const OptionSet kNewOptions = {{"module", true},   {"port", true},      {"baud", true},
                               {"databits", true}, {"stopbits", true},  {"parity", true},
                               {"device", true},   {"timeout", true},   {"wcount", true},
                               {"debug", false},   {"errorlog", false}, {"tracelog", false},
                               {"force", false}};
const OptionSet kRunOptions = {{"module", true}, {"interval", true}, {"count", true},
                               {"scan", true},   {"names", false},   {"port", true}};
const OptionSet kWriteOptions = {
    {"module", true}, {"interval", true}, {"timeout", true}, {"scan", true}, {"port", true}};
const OptionSet kDemoOptions = {{"module", true}, {"dir", true}, {"timeout", true}};

std::string ParsePortPath(const std::string& value) {
  if (value.empty()) throw UsageError("--port: empty device path");
  return value;
}
const OptionSet kAddrListOptions = {{"module", true}};
const OptionSet kAddrCheckOptions = {{"module", true}, {"skip", false}};

void ParsePdbNew(const Scanned& s, Invocation& inv) {
  PdbNewOptions& o = inv.pdbNew;
  for (const auto& [name, value] : s.options) {
    if (name == "module") {
      inv.module = value;
    } else if (name == "port") {
      o.comPort = ParseComPort(value);
    } else if (name == "baud") {
      o.baudIndex = ParseBaud(value);
    } else if (name == "databits") {
      o.dataBits = ParseDataBits(value);
    } else if (name == "stopbits") {
      o.stopBits = ParseStopBits(value);
    } else if (name == "parity") {
      o.parity = ParseParity(value);
    } else if (name == "timeout") {
      o.outTime = static_cast<uint16_t>(ParseNumber(value, 10, 60000, "--timeout"));
    } else if (name == "wcount") {
      o.wcount = static_cast<uint8_t>(ParseNumber(value, 0, 255, "--wcount"));
    } else if (name == "device") {
      DeviceSetting d = ParseDevice(value);
      for (const DeviceSetting& seen : o.devices) {
        if (seen.number == d.number) {
          throw UsageError("--device: device " + std::to_string(d.number) + " given twice");
        }
      }
      o.devices.push_back(d);
    } else if (name == "debug") {
      o.debug = true;
    } else if (name == "errorlog") {
      o.errorLog = true;
    } else if (name == "tracelog") {
      o.traceLog = true;
    } else if (name == "force") {
      o.force = true;
    }
  }
}

void ParseRun(const Scanned& s, Invocation& inv) {
  RunOptions& o = inv.run;
  for (const auto& [name, value] : s.options) {
    if (name == "module") {
      inv.module = value;
    } else if (name == "interval") {
      o.intervalMs = static_cast<uint32_t>(ParseNumber(value, 1, 3600000, "--interval"));
    } else if (name == "count") {
      o.count = ParseNumber(value, 1, UINT64_MAX, "--count");
    } else if (name == "scan") {
      o.scanPeriod = static_cast<uint32_t>(ParseNumber(value, 0, UINT32_MAX, "--scan"));
    } else if (name == "names") {
      o.names = true;
    } else if (name == "port") {
      o.port = ParsePortPath(value);
    }
  }
  o.file = s.positionals[0];
  for (size_t i = 1; i < s.positionals.size(); ++i)
    o.tags.push_back(ParseTagArgument(s.positionals[i]));
}

void ParseWrite(const Scanned& s, Invocation& inv) {
  WriteOptions& o = inv.write;
  for (const auto& [name, value] : s.options) {
    if (name == "module") {
      inv.module = value;
    } else if (name == "interval") {
      o.intervalMs = static_cast<uint32_t>(ParseNumber(value, 1, 3600000, "--interval"));
    } else if (name == "timeout") {
      o.timeoutMs = static_cast<uint32_t>(ParseNumber(value, 1, 3600000, "--timeout"));
    } else if (name == "scan") {
      o.scanPeriod = static_cast<uint32_t>(ParseNumber(value, 0, UINT32_MAX, "--scan"));
    } else if (name == "port") {
      o.port = ParsePortPath(value);
    }
  }
  o.file = s.positionals[0];
  for (size_t i = 1; i < s.positionals.size(); ++i) {
    const std::string& arg = s.positionals[i];
    if (arg.find('=') != std::string::npos) {
      o.writes.push_back(ParseWriteArgument(arg));
    } else {
      o.watched.push_back(ParseTagArgument(arg));
    }
  }
  if (o.writes.empty()) throw UsageError("write: at least one TAG=VALUE is needed");
}

void ParseDemo(const Scanned& s, Invocation& inv) {
  DemoOptions& o = inv.demo;
  for (const auto& [name, value] : s.options) {
    if (name == "module") {
      inv.module = value;
    } else if (name == "dir") {
      if (value.empty()) throw UsageError("--dir: empty directory");
      o.dir = value;
    } else if (name == "timeout") {
      o.timeoutMs = static_cast<uint32_t>(ParseNumber(value, 1, 3600000, "--timeout"));
    }
  }
}

void ParseAddrCheck(const Scanned& s, Invocation& inv) {
  AddrCheckOptions& o = inv.addrCheck;
  for (const auto& [name, value] : s.options) {
    if (name == "module") {
      inv.module = value;
    } else if (name == "skip") {
      o.skip = true;
    }
  }
  o.file = s.positionals[0];
  for (size_t i = 1; i < s.positionals.size(); ++i)
    o.addresses.push_back(ParseAddress(s.positionals[i]));
}

}  // namespace

uint8_t ParseBaud(std::string_view text) {
  uint64_t n = ParseNumber(text, 0, UINT32_MAX, "--baud");
  if (n < static_cast<uint64_t>(kBaudRateCount)) return static_cast<uint8_t>(n);
  for (int i = 0; i < kBaudRateCount; ++i) {
    if (kBaudRates[i] == n) return static_cast<uint8_t>(i);
  }
  throw UsageError("--baud: " + std::string(text) +
                   " is neither a baud rate index 0..14 nor one of the rates 110, 300, 600, 1200, "
                   "2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000");
}

uint8_t ParseComPort(std::string_view text) {
  std::string_view number = text;
  if (text.size() > 3 && Lower(text.substr(0, 3)) == "com") number = text.substr(3);
  return static_cast<uint8_t>(ParseNumber(number, 1, 16, "--port") - 1);
}

uint8_t ParseDataBits(std::string_view text) {
  if (text == "7") return 3;
  if (text == "8") return 4;
  throw UsageError("--databits: '" + std::string(text) + "' is not 7 or 8");
}

uint8_t ParseStopBits(std::string_view text) {
  if (text == "1") return 0;
  if (text == "1.5") return 1;
  if (text == "2") return 2;
  throw UsageError("--stopbits: '" + std::string(text) + "' is not 1, 1.5 or 2");
}

uint8_t ParseParity(std::string_view text) {
  std::string p = Lower(text);
  if (p == "none" || p == "n") return 0;
  if (p == "odd" || p == "o") return 1;
  if (p == "even" || p == "e") return 2;
  throw UsageError("--parity: '" + std::string(text) + "' is not none, odd or even");
}

DeviceSetting ParseDevice(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    throw UsageError("--device: '" + std::string(text) + "' is not NUMBER:MODEL (e.g. 1:G11S)");
  }
  DeviceSetting d;
  d.number = static_cast<int>(ParseNumber(text.substr(0, colon), 0, kDeviceCount - 1, "--device"));
  std::string model = Lower(text.substr(colon + 1));
  if (model == "none") {
    d.model = kModelNone;
    return d;
  }
  for (uint8_t code : {kModelG11S, kModelP11S}) {
    if (model == Lower(ModelNameOf(code))) {
      d.model = code;
      return d;
    }
  }
  throw UsageError("--device: unknown model '" + std::string(text.substr(colon + 1)) +
                   "' (models: G11S, P11S, or none to free the slot)");
}

TagArgument ParseTagArgument(std::string_view text) {
  TagArgument argument;
  std::string_view address = text;
  if (size_t at = text.rfind('@'); at != std::string_view::npos) {
    std::string type = Lower(text.substr(at + 1));
    if (type == "analog") {
      argument.dataType = 0;
    } else if (type == "switch") {
      argument.dataType = 1;
    } else if (type == "string") {
      argument.dataType = 2;
    } else {
      throw UsageError("tag '" + std::string(text) + "': unknown type '" +
                       std::string(text.substr(at + 1)) + "' (analog, switch or string)");
    }
    address = text.substr(0, at);
  }
  if (address.empty()) throw UsageError("tag '" + std::string(text) + "': empty address");
  if (!platform::IsValidUtf8(address)) {
    throw UsageError("tag address is not valid UTF-8 (set a UTF-8 locale in the terminal)");
  }
  argument.address = std::string(address);
  return argument;
}

WriteArgument ParseWriteArgument(std::string_view text) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) {
    throw UsageError("'" + std::string(text) + "' is not TAG=VALUE");
  }
  WriteArgument w;
  w.tag = ParseTagArgument(text.substr(0, eq));
  std::string_view value = text.substr(eq + 1);
  const std::string shown = "'" + std::string(text) + "'";
  switch (w.tag.dataType) {
    case 0: {
      // A plain decimal number: no leading '+', no blanks, nothing after it.
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), w.analog);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
          !std::isfinite(w.analog)) {
        throw UsageError(shown + ": the value of an analog tag must be a number");
      }
      break;
    }
    case 1: {
      std::string v = Lower(value);
      if (v == "1" || v == "true") {
        w.on = true;
      } else if (v == "0" || v == "false") {
        w.on = false;
      } else {
        throw UsageError(shown + ": the value of a switch tag is 0, 1, true or false");
      }
      break;
    }
    default:
      if (!platform::IsValidUtf8(value)) {
        throw UsageError("text value is not valid UTF-8 (set a UTF-8 locale in the terminal)");
      }
      w.text = std::string(value);
      break;
  }
  return w;
}

std::string ParseAddress(std::string_view text) {
  // An empty address is passed on as it is: the driver's answer to it is worth seeing.
  if (!platform::IsValidUtf8(text)) {
    throw UsageError("address is not valid UTF-8 (set a UTF-8 locale in the terminal)");
  }
  return std::string(text);
}

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  Invocation inv;
  // Options before the command: --module and --help.
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      inv.help = true;
    } else if (arg == "--module") {
      if (i + 1 >= args.size()) throw UsageError("option '--module' needs a value");
      inv.module = args[++i];
    } else if (arg.rfind("--module=", 0) == 0) {
      inv.module = arg.substr(9);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    if (!inv.help) throw UsageError("no command given");
    return inv;
  }
  std::string command = args[i++];
  if (command == "help") {
    // "vdinv help [COMMAND...]" is "vdinv [COMMAND...] --help".
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (rest.empty()) {
      inv.help = true;
      return inv;
    }
    rest.push_back("--help");
    Invocation sub = ParseCommandLine(rest);
    sub.module = inv.module;
    return sub;
  }
  if (command == "info") {
    inv.command = Command::kInfo;
    Scanned s = Scan(args, i, kInfoOptions, "info");
    inv.help = inv.help || s.help;
    if (inv.help) return inv;
    ExpectPositionals(s, 0, 0, "info", "");
    for (const auto& [name, value] : s.options) inv.module = value;
    return inv;
  }
  if (command == "pdb") {
    inv.command = Command::kPdb;
    if (i >= args.size() || args[i] == "-h" || args[i] == "--help") {
      if (i >= args.size() && !inv.help) throw UsageError("pdb: missing subcommand (new or show)");
      inv.help = true;
      return inv;
    }
    std::string sub = args[i++];
    if (sub == "new") {
      inv.command = Command::kPdbNew;
      Scanned s = Scan(args, i, kNewOptions, "pdb new");
      inv.help = inv.help || s.help;
      if (inv.help) return inv;
      ExpectPositionals(s, 1, 1, "pdb new", "block FILE");
      inv.pdbNew.file = s.positionals[0];
      ParsePdbNew(s, inv);
      return inv;
    }
    if (sub == "show") {
      inv.command = Command::kPdbShow;
      Scanned s = Scan(args, i, kShowOptions, "pdb show");
      inv.help = inv.help || s.help;
      if (inv.help) return inv;
      ExpectPositionals(s, 1, 1, "pdb show", "block FILE");
      inv.showFile = s.positionals[0];
      for (const auto& [name, value] : s.options) inv.module = value;
      return inv;
    }
    throw UsageError("pdb: unknown subcommand '" + sub + "' (new or show)");
  }
  if (command == "run") {
    inv.command = Command::kRun;
    Scanned s = Scan(args, i, kRunOptions, "run");
    inv.help = inv.help || s.help;
    if (inv.help) return inv;
    ExpectPositionals(s, 1, SIZE_MAX, "run", "block FILE");
    if (s.positionals.size() < 2) throw UsageError("run: at least one TAG address is needed");
    ParseRun(s, inv);
    return inv;
  }
  if (command == "write") {
    inv.command = Command::kWrite;
    Scanned s = Scan(args, i, kWriteOptions, "write");
    inv.help = inv.help || s.help;
    if (inv.help) return inv;
    ExpectPositionals(s, 1, SIZE_MAX, "write", "block FILE");
    ParseWrite(s, inv);
    return inv;
  }
  if (command == "demo") {
    inv.command = Command::kDemo;
    Scanned s = Scan(args, i, kDemoOptions, "demo");
    inv.help = inv.help || s.help;
    if (inv.help) return inv;
    ExpectPositionals(s, 0, 0, "demo", "");
    ParseDemo(s, inv);
    return inv;
  }
  if (command == "addr") {
    inv.command = Command::kAddr;
    if (i >= args.size() || args[i] == "-h" || args[i] == "--help") {
      if (i >= args.size() && !inv.help) {
        throw UsageError("addr: missing subcommand (list or check)");
      }
      inv.help = true;
      return inv;
    }
    std::string sub = args[i++];
    if (sub == "list") {
      inv.command = Command::kAddrList;
      Scanned s = Scan(args, i, kAddrListOptions, "addr list");
      inv.help = inv.help || s.help;
      if (inv.help) return inv;
      ExpectPositionals(s, 0, 0, "addr list", "");
      for (const auto& [name, value] : s.options) inv.module = value;
      return inv;
    }
    if (sub == "check") {
      inv.command = Command::kAddrCheck;
      Scanned s = Scan(args, i, kAddrCheckOptions, "addr check");
      inv.help = inv.help || s.help;
      if (inv.help) return inv;
      ExpectPositionals(s, 1, SIZE_MAX, "addr check", "block FILE");
      if (s.positionals.size() < 2) throw UsageError("addr check: at least one ADDRESS is needed");
      ParseAddrCheck(s, inv);
      return inv;
    }
    throw UsageError("addr: unknown subcommand '" + sub + "' (list or check)");
  }
  throw UsageError("unknown command '" + command + "'");
}

std::string HelpText(Command command, const std::string& defaultModule) {
  auto moduleOption = [&](size_t column) {
    std::string pad(column - 15, ' ');
    return "  --module PATH" + pad + "the driver module to load (default: $VDINV_MODULE if set,\n" +
           std::string(column, ' ') + "else " + defaultModule + ")\n";
  };
  const std::string moduleLine = moduleOption(20);
  switch (command) {
    case Command::kTool:
      return "vdinv - command-line host of the VD_Inv frequency inverter driver\n"
             "\n"
             "Loads the driver module exactly as the supervisory host does and calls its exports.\n"
             "\n"
             "Usage: vdinv [--module PATH] COMMAND [ARGS...]\n"
             "       vdinv help [COMMAND]      or      vdinv COMMAND --help\n"
             "\n"
             "Commands:\n"
             "  info               show the module path, its exports, block length and scan time\n"
             "  pdb new FILE ...   create a device parameter block file\n"
             "  pdb show FILE      print a device parameter block file in readable form\n"
             "  run FILE TAG...    start the driver on a line and print what it reports\n"
             "  write FILE TAG=VALUE...\n"
             "                     write tag values on a line and wait until they are confirmed\n"
             "  demo               a simulated line of two inverters, polled, written, broken\n"
             "  addr list          list the address templates the driver offers (GetTagAddrList)\n"
             "  addr check FILE ADDRESS...\n"
             "                     check tag addresses against a block (TagEdAddr)\n"
             "\n"
             "Options:\n" +
             moduleLine +
             "  -h, --help        show help\n"
             "\n"
             "Exit codes:\n"
             "  0  success\n"
             "  1  the driver said no or the operation failed (e.g. IniDriver answered false)\n"
             "  2  usage error (unknown command or option, malformed value)\n"
             "  3  the module could not be loaded or lacks a required export\n"
             "  4  block file missing, unreadable, unwritable, of the wrong size, or (pdb new)\n"
             "     already there\n"
             "\n"
             "Texts from the driver are GBK; vdinv shows them in UTF-8 and converts what you type\n"
             "from UTF-8 to GBK.\n";
    case Command::kInfo:
      return "Usage: vdinv info [--module PATH]\n"
             "\n"
             "Shows the module's path, which of its 14 exports are present, the block length\n"
             "(GetPDBLen) and the scan time (DetectScanTime) of a thread without a driver object.\n"
             "The four configuration exports (DLLEdDev, DLLTestDev, TagEdAddr, GetTagAddrList) "
             "are\n"
             "listed as unavailable when missing; any other missing export gives exit code 3.\n"
             "\n"
             "Options:\n" +
             moduleLine;
    case Command::kPdb:
      return "Usage: vdinv pdb new FILE [OPTIONS]\n"
             "       vdinv pdb show FILE\n"
             "\n"
             "A device parameter block describes one serial line and its inverters (26508 bytes).\n"
             "See 'vdinv pdb new --help' and 'vdinv pdb show --help'.\n";
    case Command::kPdbNew:
      return "Usage: vdinv pdb new FILE [OPTIONS]\n"
             "\n"
             "Creates a block file: a zeroed block of GetPDBLen bytes filled with the driver's\n"
             "defaults (FullPDB), then the options below. The driver's defaults leave device 0's\n"
             "model name unset, which would make the driver drop device 0; vdinv writes \"G11S\"\n"
             "there, as the configuration wizard does, so the default block has device 0 as a\n"
             "G11S. Defaults: COM1, 9600 baud, 8 data bits, 1 stop bit, no parity, time-out\n"
             "1000 ms, 2 write repetitions, all log switches off.\n"
             "\n"
             "Options:\n"
             "  --port N          serial port COM1..COM16, given as N or COMN (on Linux COMN is\n"
             "                    $VD_INV_COMN, else /dev/ttyS<N-1>)\n"
             "  --baud B          baud rate (110 300 600 1200 2400 4800 9600 14400 19200 38400\n"
             "                    56000 57600 115200 128000 256000) or its index 0..14\n"
             "  --databits 7|8    data bits\n"
             "  --stopbits 1|1.5|2  stop bits\n"
             "  --parity P        none, odd or even\n"
             "  --device N:MODEL  put an inverter of MODEL (G11S or P11S) at station N (0..99),\n"
             "                    or free the slot with N:none; repeat for several devices.\n"
             "                    The entry's model name is set to match the model. With more\n"
             "                    than one device the line is marked RS485/RS422 (LinkMode 1).\n"
             "  --timeout MS      reply time-out in milliseconds, 10..60000\n"
             "  --wcount N        how often a failed write is repeated, 0..255 (the\n"
             "                    configuration wizard offers 2..10)\n"
             "  --debug           switch on the debug lines of the driver's log\n"
             "  --errorlog        switch on the error lines of the driver's log\n"
             "  --tracelog        switch on the trace lines (frames) of the driver's log\n"
             "  --force           overwrite FILE if it exists (otherwise exit code 4)\n" +
             moduleOption(20) +
             "\n"
             "Example: vdinv pdb new line1.pdb --port 2 --baud 19200 --device 1:G11S --device "
             "2:P11S\n";
    case Command::kPdbShow:
      return "Usage: vdinv pdb show FILE\n"
             "\n"
             "Prints a block file: log switches, time-out, write repetitions, line mode, serial\n"
             "settings, the initialisation string and the devices in use. The file must hold\n"
             "exactly 26508 bytes (GetPDBLen), else exit code 4. Devices whose model name does "
             "not\n"
             "match their model are flagged: the driver drops them when the line starts. This\n"
             "command reads the file only and does not load the module.\n";
    case Command::kRun:
      return "Usage: vdinv run FILE TAG... [OPTIONS]\n"
             "\n"
             "Starts the driver on the line described by block FILE (IniDriver) with the given\n"
             "tags, then polls it (OnDataRead) and prints every value and message it reports,\n"
             "until Ctrl-C or --count polls; then stops the driver (FreeDriver).\n"
             "\n"
             "TAG is ADDRESS[@TYPE], TYPE analog (default), switch or string, for example\n"
             "  F1:3  F1:3@analog  E1:2@switch  COMMLINK@string\n"
             "Tag N (counting from 1) gets TagID N and name TagN. An address longer than 63 bytes\n"
             "in GBK is cut, with a warning.\n"
             "\n"
             "Options:\n"
             "  --interval MS     time between polls (default: the driver's DetectScanTime)\n"
             "  --count N         stop after N polls (default: until Ctrl-C)\n"
             "  --scan MS         scan period of every tag (default 1000)\n"
             "  --names           list the tags before starting and show tag names in the "
             "output\n"
             "  --port PATH       use serial device PATH for the block's port (sets "
             "VD_INV_COMn)\n" +
             moduleLine +
             "\n"
             "Output lines: local date and time, TagID, [name,] address, quality word, type and\n"
             "value. Exit code 1 when IniDriver answers false.\n"
             "\n"
             "Device tags such as F1:3 are accepted once the block has an inverter at that\n"
             "station (for F1:3 station 1, e.g. 'vdinv pdb new line.pdb --device 1:G11S'; the\n"
             "default block has station 0 only); 'vdinv addr check' shows how the driver reads an\n"
             "address.\n"
             "\n"
             "--port PATH uses the serial device PATH for the block's port: vdinv sets\n"
             "VD_INV_COMn (n the block's COM number) in its own environment before loading the\n"
             "module, e.g. 'vdinv run line.pdb F1:3 --port /dev/ttyUSB0'.\n";
    case Command::kWrite:
      return "Usage: vdinv write FILE TAG=VALUE... [TAG...] [OPTIONS]\n"
             "\n"
             "Starts the driver on the line of block FILE with the given tags, polls until each\n"
             "written tag has reported a value (or --timeout passes), sends the values through\n"
             "OnDataWrite, then polls until each written tag is reported with its new value\n"
             "(confirmed) or --timeout passes again, and stops the driver. Every reported value\n"
             "is printed as 'run' prints it; a TAG without '=' is only polled and printed.\n"
             "\n"
             "TAG is ADDRESS[@TYPE] as for 'run'. VALUE: a number for analog tags (the data word\n"
             "the inverter stores, e.g. F1:3=4000), 0, 1, true or false for switch tags\n"
             "(E1:1@switch=1), any text for string tags.\n"
             "\n"
             "Options:\n"
             "  --timeout MS      how long to wait for the first values, and again for the\n"
             "                    confirmation (default 10000)\n"
             "  --interval MS     time between polls (default: the driver's DetectScanTime)\n"
             "  --scan MS         scan period of every tag (default 1000)\n"
             "  --port PATH       use serial device PATH for the block's port (sets "
             "VD_INV_COMn)\n" +
             moduleLine +
             "\n"
             "Exit code 0 when every write was confirmed, 1 when IniDriver or OnDataWrite "
             "answered\n"
             "false or a write was not confirmed in time.\n";
    case Command::kDemo:
      return "Usage: vdinv demo [--dir DIR] [--timeout MS] [--module PATH]\n"
             "\n"
             "The main job in one command, on a simulated line inside the tool (no serial port is\n"
             "opened): station 1 (G11S) and station 2 (P11S) answer on a pseudo-terminal behind\n"
             "the link DIR/ttyINV, which becomes COM1. A block with both devices (time-out\n"
             "100 ms) is started through the exports with their frequency setting, output\n"
             "frequency and current (F, M09, M05), switch E01 and the status tags COMMLINK,\n"
             "DEVICELINK1 and DEVICELINK2. The demo polls and prints every change, writes a new\n"
             "frequency to F1:3 and waits for it to be confirmed, silences station 2 and waits\n"
             "for DEVICELINK2 to report the broken line, then stops the driver, which writes its\n"
             "run report to the log.\n"
             "\n"
             "The demo keeps its host files (registry.ini, Ovatrex.ini) in DIR and points\n"
             "VD_INV_REGISTRY at them, so the log is DIR/Debug/VD_Inv.Log.\n"
             "\n"
             "Options:\n"
             "  --dir DIR         the demo's directory, created when missing (default vdinv-demo)\n"
             "  --timeout MS      limit of each step that waits for the line (default 10000)\n" +
             moduleLine +
             "\n"
             "Exit code 0 when the write was confirmed and the broken line reported, else 1.\n";
    case Command::kAddr:
      return "Usage: vdinv addr list\n"
             "       vdinv addr check FILE ADDRESS... [--skip]\n"
             "\n"
             "The tag editor's side of the driver: the address templates it offers and its check\n"
             "of a typed address. See 'vdinv addr list --help' and 'vdinv addr check --help'.\n";
    case Command::kAddrList:
      return "Usage: vdinv addr list [--module PATH]\n"
             "\n"
             "Asks the driver for its address templates (GetTagAddrList: first the count, then\n"
             "the records) and prints one row per template: the address prefix, its description,\n"
             "the tag type (analog or switch), the access (read-write or read-only) and the lower\n"
             "and upper limit of the value.\n"
             "\n"
             "Options:\n" +
             moduleLine;
    case Command::kAddrCheck:
      return "Usage: vdinv addr check FILE ADDRESS... [--skip] [OPTIONS]\n"
             "\n"
             "Hands each ADDRESS to the driver's address check (TagEdAddr) together with block\n"
             "FILE, as the host's tag editor does, and prints for each: the address as typed, the\n"
             "result (1 = the address begins with one of the driver's type prefixes, 0 = not), "
             "the\n"
             "normal form the driver hands back (e.g. F1:5.-1 for f1：5) and the driver's "
             "message.\n"
             "The check looks at the type prefix only; 'vdinv run' shows whether the driver\n"
             "serves the tag on the line. The block file must hold exactly 26508 bytes (exit\n"
             "code 4 otherwise). An address that begins with '-' goes after '--'.\n"
             "\n"
             "Options:\n"
             "  --skip            ask the driver to skip the check: every address is accepted\n"
             "                    and handed back unchanged\n" +
             moduleLine +
             "\n"
             "Exit code 0 when the driver accepted every address, 1 when it refused one.\n";
  }
  return {};
}

}  // namespace vdinv::tool
