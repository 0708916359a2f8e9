#include "invsim/options.h"

#include <charconv>

namespace vdinv::invsim {
namespace {

int64_t ParseInteger(std::string_view text, int64_t min, int64_t max, const std::string& what) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size()) {
    throw UsageError(what + ": '" + std::string(text) + "' is not a number");
  }
  const bool tooBig = ec == std::errc::result_out_of_range || magnitude > (1ULL << 40);
  const int64_t value =
      tooBig ? 0 : (negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
  if (tooBig || value < min || value > max) {
    throw UsageError(what + ": " + std::string(text) + " is out of range (" + std::to_string(min) +
                     ".." + std::to_string(max) + ")");
  }
  return value;
}

std::string TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name) {
  if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
  return args[++i];
}

}  // namespace

StationSetting ParseStation(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    throw UsageError("--station: '" + std::string(text) + "' is not N:MODEL (e.g. 1:G11S)");
  }
  StationSetting s;
  s.station = static_cast<int>(ParseInteger(text.substr(0, colon), 0, 99, "--station"));
  const std::optional<Model> model = ParseModel(text.substr(colon + 1));
  if (!model) {
    throw UsageError("--station: unknown model '" + std::string(text.substr(colon + 1)) +
                     "' (G11S or P11S)");
  }
  s.model = *model;
  return s;
}

ValueSetting ParseValue(std::string_view text) {
  const size_t colon = text.find(':');
  const size_t equals = text.find('=');
  if (colon == std::string_view::npos || equals == std::string_view::npos || equals < colon) {
    throw UsageError("--set: '" + std::string(text) +
                     "' is not N:GROUPCODE=VALUE (e.g. 1:F03=3000)");
  }
  ValueSetting v;
  v.station = static_cast<int>(ParseInteger(text.substr(0, colon), 0, 99, "--set"));
  const std::string_view code = text.substr(colon + 1, equals - colon - 1);
  const std::optional<FunctionCode> fc = ParseFunctionCode(code);
  if (!fc) {
    throw UsageError("--set: '" + std::string(code) +
                     "' is not a function code (a group letter of FECPHAOSM and its number)");
  }
  v.function = *fc;
  const int64_t min = fc->group == kMonitorGroup ? -0xFFFF : 0;
  v.value = static_cast<int32_t>(ParseInteger(text.substr(equals + 1), min, 0xFFFF, "--set"));
  return v;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      cl.help = true;
    } else if (arg == "--link") {
      cl.simulator.linkPath = TakeValue(args, i, arg);
      if (cl.simulator.linkPath.empty()) throw UsageError("--link: empty path");
    } else if (arg == "--device") {
      cl.simulator.devicePath = TakeValue(args, i, arg);
      if (cl.simulator.devicePath.empty()) throw UsageError("--device: empty path");
    } else if (arg == "--baud") {
      cl.simulator.line.baud =
          static_cast<uint32_t>(ParseInteger(TakeValue(args, i, arg), 0, 4000000, arg));
    } else if (arg == "--turnaround") {
      cl.simulator.line.turnaroundMs =
          static_cast<uint32_t>(ParseInteger(TakeValue(args, i, arg), 0, 60000, arg));
    } else if (arg == "--echo") {
      cl.simulator.line.localEcho = true;
    } else if (arg == "--station") {
      const StationSetting s = ParseStation(TakeValue(args, i, arg));
      for (const StationSetting& seen : cl.stations) {
        if (seen.station == s.station) {
          throw UsageError("--station: station " + std::to_string(s.station) + " given twice");
        }
      }
      cl.stations.push_back(s);
    } else if (arg == "--set") {
      cl.values.push_back(ParseValue(TakeValue(args, i, arg)));
    } else if (!arg.empty() && arg[0] == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      throw UsageError("unexpected argument '" + arg + "'");
    }
  }
  if (!cl.simulator.linkPath.empty() && !cl.simulator.devicePath.empty()) {
    throw UsageError("--link and --device exclude each other (a link names a pseudo-terminal)");
  }
  if (cl.stations.empty()) cl.stations.push_back(StationSetting{0, Model::kG11S});
  for (const ValueSetting& v : cl.values) {
    bool known = false;
    for (const StationSetting& s : cl.stations) known = known || s.station == v.station;
    if (!known) {
      throw UsageError("--set: station " + std::to_string(v.station) +
                       " is not on the line (add --station " + std::to_string(v.station) +
                       ":MODEL)");
    }
  }
  return cl;
}

std::string HelpText() {
  return "Usage: invsim [OPTIONS]\n"
         "\n"
         "Simulates a line of G11S/P11S inverters: opens a pseudo-terminal (or a serial device)\n"
         "and answers the read and write requests of the inverter protocol from each station's\n"
         "function-code memory until interrupted (Ctrl-C). It prints the path to open, e.g.\n"
         "for the driver: VD_INV_COM1=/dev/pts/7.\n"
         "\n"
         "Options:\n"
         "  --link PATH          also make a symbolic link PATH to the pseudo-terminal (an\n"
         "                       existing symbolic link there is replaced, anything else is not)\n"
         "  --device PATH        answer on this serial device instead of a pseudo-terminal\n"
         "  --baud N             send every byte one character time (10 bits) apart at N baud;\n"
         "                       0 (default) sends at once; with --device also the line speed\n"
         "  --turnaround MS      wait MS milliseconds before each reply (default 0)\n"
         "  --echo               send every received byte straight back (two-wire adapter)\n"
         "  --station N:MODEL    station N (0..99) is a G11S or a P11S; repeatable; without any\n"
         "                       --station the line has station 0, a G11S\n"
         "  --set N:GROUPCODE=VALUE\n"
         "                       store VALUE (decimal or 0x hex, 0..65535; -65535..65535 for\n"
         "                       the monitor group M) at function code GROUPCODE of station N,\n"
         "                       e.g. --set 1:F03=3000 --set 1:M09=-120; repeatable; codes never\n"
         "                       set read 0\n"
         "  -h, --help           show this text\n"
         "\n"
         "A read of any group F E C P H A O S M answers the stored value; a write stores it and\n"
         "is acknowledged; a write to M is refused (NAK, error 004F); a request with a wrong\n"
         "check code, a malformed one, or one for a station not on the line gets no reply.\n"
         "\n"
         "Exit codes:\n"
         "  0  ended by Ctrl-C (or --help)\n"
         "  1  the line could not be opened\n"
         "  2  usage error (unknown option, malformed value)\n";
}

}  // namespace vdinv::invsim
