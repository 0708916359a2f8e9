#include "invsim/options.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "cli/numbers.h"

namespace vdinv::invsim {
namespace {

// A decimal or 0x hexadecimal integer in [min, max].
int64_t ParseInteger(std::string_view text, int64_t min, int64_t max) {
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
    throw UsageError("'" + std::string(text) + "' is not a number");
  }
  const bool tooBig = ec == std::errc::result_out_of_range || magnitude > (1ULL << 40);
  const int64_t value =
      tooBig ? 0 : (negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
  if (tooBig || value < min || value > max) {
    throw UsageError(std::string(text) + " is out of range (" + std::to_string(min) + ".." +
                     std::to_string(max) + ")");
  }
  return value;
}

// ParseInteger with the option's name in front of the message.
int64_t Integer(std::string_view text, int64_t min, int64_t max, const std::string& what) {
  return cli::Named<UsageError>(what, [&] { return ParseInteger(text, min, max); });
}

// An integer option in [min, max], decimal or 0x hexadecimal.
CLI::Validator IntegerIn(int64_t min, int64_t max) {
  return cli::NumberValidator(
      [min, max](const std::string& text) { return ParseInteger(text, min, max); });
}

std::string NonEmptyPath(const std::string& text, const std::string& what) {
  if (text.empty()) throw UsageError(what + ": empty path");
  return text;
}

// The options of the program, bound to the command line they fill.
class Options {
 public:
  explicit Options(CommandLine& cl) {
    app_.set_help_flag("-h,--help", "show this text");
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app_.get_formatter()->column_width(23);
    app_.description(
        "Simulates a line of G11S/P11S inverters: opens a pseudo-terminal (or a serial device)\n"
        "and answers the read and write requests of the inverter protocol from each station's\n"
        "function-code memory until interrupted (Ctrl-C). It prints the path to open, e.g.\n"
        "for the driver: VD_INV_COM1=/dev/pts/7.\n");
    app_.footer(
        "A read of any group F E C P H A O S M answers the stored value; a write stores it and\n"
        "is acknowledged; a write to M is refused (NAK, error 004F); a request with a wrong\n"
        "check code, a malformed one, or one for a station not on the line gets no reply.\n"
        "\n"
        "Control channel (--control DIR): a program writes command n (1, 2, ...) as one line\n"
        "to DIR/n.cmd (under another name first, then renamed); invsim carries the commands\n"
        "out in order and answers each in DIR/n.ack (\"ok\", \"ok VALUE\" or \"error: ...\"):\n"
        "  set N:CODE=VALUE   store a value (as --set)    value N:CODE   the stored value\n"
        "  silent N           station N stops answering  answer N       it answers again\n"
        "  replug MS          the adapter unplugged, back after MS ms (answered when back)\n"
        "  replies            the replies sent so far\n"
        "\n"
        "Exit codes:\n"
        "  0  ended by Ctrl-C (or --help)\n"
        "  1  the line could not be opened (or the control directory made)\n"
        "  2  usage error (unknown option, malformed value)");
    SimulatorOptions& sim = cl.simulator;
    Path("--link", sim.linkPath,
         "also make a symbolic link PATH to the pseudo-terminal (an\n"
         "existing symbolic link there is replaced, anything else is not)");
    Path("--device", sim.devicePath, "answer on this serial device instead of a pseudo-terminal");
    Path("--control", cl.controlDir,
         "take commands from files in directory DIR (made when missing),\n"
         "for test programs that cannot link the simulator; see below")
        ->type_name("DIR");
    app_.add_option("--baud", sim.line.baud,
                    "send every byte one character time (10 bits) apart at N baud;\n0 (default) "
                    "sends at once; with --device also the line speed")
        ->type_name("N")
        ->transform(IntegerIn(0, 4000000));
    app_.add_option("--turnaround", sim.line.turnaroundMs,
                    "wait MS milliseconds before each reply (default 0)")
        ->type_name("MS")
        ->transform(IntegerIn(0, 60000));
    app_.add_flag("--echo", sim.line.localEcho,
                  "send every received byte straight back (two-wire adapter)")
        ->disable_flag_override();
    app_.add_option_function<std::vector<std::string>>(
            "--station",
            [&cl](const std::vector<std::string>& values) {
              for (const std::string& v : values) AddStation(cl, ParseStation(v));
            },
            "station N (0..99) is a G11S or a P11S; repeatable; without any\n--station the line "
            "has station 0, a G11S")
        ->type_name("N:MODEL")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app_.add_option_function<std::vector<std::string>>(
            "--set",
            [&cl](const std::vector<std::string>& values) {
              for (const std::string& v : values) cl.values.push_back(ParseValue(v));
            },
            "store VALUE (decimal or 0x hex, 0..65535; -65535..65535 for\nthe monitor group M) "
            "at function code GROUPCODE of station N,\ne.g. --set 1:F03=3000 --set 1:M09=-120; "
            "repeatable; codes never\nset read 0")
        ->type_name("N:GROUPCODE=VALUE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }

  CLI::App& App() { return app_; }

 private:
  CLI::Option* Path(const std::string& name, std::string& path, const std::string& help) {
    return app_
        .add_option_function<std::string>(
            name, [&path, name](const std::string& v) { path = NonEmptyPath(v, name); }, help)
        ->type_name("PATH");
  }

  static void AddStation(CommandLine& cl, const StationSetting& s) {
    for (const StationSetting& seen : cl.stations) {
      if (seen.station == s.station) {
        throw UsageError("--station: station " + std::to_string(s.station) + " given twice");
      }
    }
    cl.stations.push_back(s);
  }

  CLI::App app_{"", "invsim"};
};

}  // namespace

StationSetting ParseStation(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    throw UsageError("--station: '" + std::string(text) + "' is not N:MODEL (e.g. 1:G11S)");
  }
  StationSetting s;
  s.station = static_cast<int>(Integer(text.substr(0, colon), 0, 99, "--station"));
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
  v.station = static_cast<int>(Integer(text.substr(0, colon), 0, 99, "--set"));
  const std::string_view code = text.substr(colon + 1, equals - colon - 1);
  const std::optional<FunctionCode> fc = ParseFunctionCode(code);
  if (!fc) {
    throw UsageError("--set: '" + std::string(code) +
                     "' is not a function code (a group letter of FECPHAOSM and its number)");
  }
  v.function = *fc;
  const int64_t min = fc->group == kMonitorGroup ? -0xFFFF : 0;
  v.value = static_cast<int32_t>(Integer(text.substr(equals + 1), min, 0xFFFF, "--set"));
  return v;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  Options options(cl);
  try {
    // CLI11 takes the words in reverse order.
    options.App().parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::CallForHelp&) {
    cl.help = true;
    return cl;
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
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
  CommandLine cl;
  return Options(cl).App().help();
}

}  // namespace vdinv::invsim
