// The command tree of vdinv on CLI11: commands, their options with types and ranges, and the
// help generated from them.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/numbers.h"
#include "common/baud_rates.h"
#include "vdinv/options.h"

namespace vdinv::tool {
namespace {

// "vdinv pdb new" for the command `new` below `pdb`.
std::string CommandPath(const CLI::App* app) {
  std::string path = app->get_name();
  for (const CLI::App* up = app->get_parent(); up != nullptr; up = up->get_parent()) {
    path = up->get_name() + " " + path;
  }
  return path;
}

std::vector<const CLI::Option*> ShownPositionals(const CLI::App* app) {
  return app->get_options(
      [](const CLI::Option* o) { return o->get_positional() && !o->get_group().empty(); });
}

// A command's positionals as the usage line shows them ("FILE TAG..."); a prefix command takes
// the words that follow it.
std::string PositionalUsage(const CLI::App* app) {
  if (app->get_prefix_command()) return " [COMMAND...]";
  std::string out;
  for (const CLI::Option* opt : ShownPositionals(app)) {
    out += " " + opt->get_name() +
           (opt->get_expected_max() == CLI::detail::expected_max_vector_size ? "..." : "");
  }
  return out;
}

// "new or show": the commands below a command, for the message about a missing or unknown one.
std::string CommandChoice(const CLI::App* app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app->get_subcommands({})) names.push_back(sub->get_name());
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    out += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  }
  return out;
}

// Help in the house's layout: a command's own text above its usage line, which names the whole
// command and its positionals; a command with subcommands lists every command below it with its
// positionals and its one-line summary (the app's description).
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() { column_width(22); }

  void SetText(const CLI::App* app, std::string text) { texts_[app] = std::move(text); }

  std::string make_description(const CLI::App* app) const override {
    auto found = texts_.find(app);
    return found == texts_.end() ? CLI::Formatter::make_description(app) : found->second + "\n";
  }

  std::string make_usage(const CLI::App* app, std::string) const override {
    std::string usage = "Usage: " + CommandPath(app);
    if (!app->get_subcommands({}).empty()) return usage + " [OPTIONS] COMMAND [ARGS...]\n";
    return usage + PositionalUsage(app) + " [OPTIONS]\n";
  }

  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_positional() ? std::string() : CLI::Formatter::make_option_opts(opt);
  }

  std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode) const override {
    if (app->get_subcommands({}).empty()) return {};
    std::ostringstream out;
    out << "\nCommands:\n";
    ListCommands(out, app, "");
    return out.str();
  }

 private:
  void ListCommands(std::ostringstream& out, const CLI::App* app, const std::string& prefix) const {
    for (const CLI::App* sub : app->get_subcommands({})) {
      const std::string name = prefix + sub->get_name();
      if (sub->get_subcommands({}).empty()) {
        CLI::detail::format_help(out, name + PositionalUsage(sub), sub->get_description(),
                                 column_width_);
      } else {
        ListCommands(out, sub, name + " ");
      }
    }
  }

  std::map<const CLI::App*, std::string> texts_;
};

// A decimal number in [min, max], digits only: no sign, blank or base prefix.
CLI::Validator Decimal(uint64_t min, uint64_t max) {
  return cli::NumberValidator(
      [min, max](const std::string& text) { return ParseNumber(text, min, max); });
}

// A path that must not be empty ("--port=" would name no device).
std::string NonEmpty(const std::string& text, const std::string& refusal) {
  if (text.empty()) throw UsageError(refusal);
  return text;
}

// "baud rate (110 300 ... 256000) or its index 0..14", wrapped after the tenth rate.
std::string BaudHelp() {
  std::string text = "baud rate (";
  for (size_t i = 0; i < kBaudRates.size(); ++i) {
    text += (i == 0 ? "" : i == 10 ? "\n" : " ") + std::to_string(kBaudRates[i]);
  }
  return text + ") or its index 0.." + std::to_string(kBaudRates.size() - 1);
}

constexpr uint64_t kMaxWaitMs = 3600000;

// The tree of commands, bound to the invocation it fills.
class CommandTree {
 public:
  CommandTree(Invocation& inv, const std::string& defaultModule)
      : inv_(inv), defaultModule_(defaultModule) {
    app_.formatter(formatter_);
    app_.set_help_flag("-h,--help", "show help");
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app_.require_subcommand(1);
    formatter_->SetText(
        &app_,
        "vdinv - command-line host of the VD_Inv frequency inverter driver\n"
        "\n"
        "Loads the driver module exactly as the supervisory host does and calls its exports.\n");
    AddModule(app_);
    AddInfo();
    AddPdb();
    AddRun();
    AddWrite();
    AddDemo();
    AddAddr();
    AddTest();
    AddWizard();
    help_ = app_.add_subcommand("help", "show the help of COMMAND, as 'vdinv COMMAND --help'");
    help_->prefix_command();
    // Last: a command takes its parent's footer when it is made.
    app_.footer(
        "Exit codes:\n"
        "  0  success\n"
        "  1  the driver said no or the operation failed (e.g. IniDriver answered false)\n"
        "  2  usage error (unknown command or option, malformed value)\n"
        "  3  the module could not be loaded or lacks a required export\n"
        "  4  block file missing, unreadable, unwritable, of the wrong size, or (pdb new)\n"
        "     already there\n"
        "  5  (wizard) the wizard could not be shown: no display\n"
        "\n"
        "Texts from the driver are GBK; vdinv shows them in UTF-8 and converts what you type\n"
        "from UTF-8 to GBK.");
  }

  CLI::App& App() { return app_; }
  CLI::App* HelpCommand() const { return help_; }

  // The command named last on the command line, or the tool itself.
  Command Selected() const {
    const CLI::App* app = Deepest();
    for (const auto& [known, command] : commands_) {
      if (known == app) return command;
    }
    return Command::kTool;
  }

  const CLI::App* Find(Command command) const {
    for (const auto& [app, known] : commands_) {
      if (known == command) return app;
    }
    return &app_;
  }

  // The deepest command the command line has named so far.
  const CLI::App* Deepest() const {
    const CLI::App* app = &app_;
    while (!app->get_subcommands().empty()) app = app->get_subcommands().front();
    return app;
  }

 private:
  CLI::App* Add(CLI::App& parent, const std::string& name, Command command,
                const std::string& summary, const std::string& text = "") {
    CLI::App* app = parent.add_subcommand(name, summary);
    if (!text.empty()) formatter_->SetText(app, text);
    commands_.emplace_back(app, command);
    return app;
  }

  // Every command takes --module, before or after its name.
  void AddModule(CLI::App& app) {
    app.add_option("--module", inv_.module,
                   "the driver module to load (default: $VDINV_MODULE if set,\nelse " +
                       defaultModule_ + ")")
        ->type_name("PATH");
  }

  // CLI11 hands the words after "--" back to the parent command once every positional has its
  // least count; this hidden positional, never filled, keeps them with the command's own list.
  static void KeepWordsAfterDoubleDash(CLI::App& app) {
    app.add_option("after-double-dash")->expected(1 << 30)->group("");
  }

  void AddInfo() {
    CLI::App* info = Add(app_, "info", Command::kInfo,
                         "show the module path, its exports, block length and scan time",
                         "Shows the module's path, which of its 14 exports are present, the block "
                         "length\n(GetPDBLen) and the scan time (DetectScanTime) of a thread "
                         "without a driver object.\nThe four configuration exports (DLLEdDev, "
                         "DLLTestDev, TagEdAddr, GetTagAddrList) are\nlisted as unavailable when "
                         "missing; any other missing export gives exit code 3.\n");
    AddModule(*info);
  }

  void AddPdb() {
    CLI::App* pdb = Add(app_, "pdb", Command::kPdb, "device parameter block files",
                        "A device parameter block describes one serial line and its inverters "
                        "(26508 bytes).\n");
    pdb->require_subcommand(1);
    PdbNewOptions& o = inv_.pdbNew;
    CLI::App* made =
        Add(*pdb, "new", Command::kPdbNew, "create a device parameter block file",
            "Creates a block file: a zeroed block of GetPDBLen bytes filled with the driver's\n"
            "defaults (FullPDB), then the options below. The driver's defaults leave device 0's\n"
            "model name unset, which would make the driver drop device 0; vdinv writes \"G11S\"\n"
            "there, as the configuration wizard does, so the default block has device 0 as a\n"
            "G11S. Defaults: COM1, 9600 baud, 8 data bits, 1 stop bit, no parity, time-out\n"
            "1000 ms, 2 write repetitions, all log switches off.\n");
    made->footer(
        "Example: vdinv pdb new line1.pdb --port 2 --baud 19200 --device 1:G11S --device 2:P11S");
    made->add_option("FILE", o.file, "the block file to write")->required();
    Text(*made, "--port", "N",
         "serial port COM1..COM16, given as N or COMN (on Linux COMN is\n$VD_INV_COMN, else "
         "/dev/ttyS<N-1>)",
         [&o](const std::string& v) { o.comPort = ParseComPort(v); });
    Text(*made, "--baud", "B", BaudHelp(),
         [&o](const std::string& v) { o.baudIndex = ParseBaud(v); });
    Text(*made, "--databits", "7|8", "data bits",
         [&o](const std::string& v) { o.dataBits = ParseDataBits(v); });
    Text(*made, "--stopbits", "1|1.5|2", "stop bits",
         [&o](const std::string& v) { o.stopBits = ParseStopBits(v); });
    Text(*made, "--parity", "P", "none, odd or even",
         [&o](const std::string& v) { o.parity = ParseParity(v); });
    made->add_option_function<std::vector<std::string>>(
            "--device",
            [&o](const std::vector<std::string>& values) {
              for (const std::string& v : values) AddDevice(o, ParseDevice(v));
            },
            "put an inverter of MODEL (G11S or P11S) at station N (0..99),\nor free the slot "
            "with N:none; repeat for several devices.\nThe entry's model name is set to match "
            "the model. With more\nthan one device the line is marked RS485/RS422 (LinkMode 1).")
        ->type_name("N:MODEL")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    made->add_option_function<uint32_t>(
            "--timeout", [&o](uint32_t v) { o.outTime = static_cast<uint16_t>(v); },
            "reply time-out in milliseconds, 10..60000")
        ->type_name("MS")
        ->transform(Decimal(10, 60000));
    made->add_option_function<uint32_t>(
            "--wcount", [&o](uint32_t v) { o.wcount = static_cast<uint8_t>(v); },
            "how often a failed write is repeated, 0..255 (the\nconfiguration wizard offers "
            "2..10)")
        ->type_name("N")
        ->transform(Decimal(0, 255));
    Flag(*made, "--debug", o.debug, "switch on the debug lines of the driver's log");
    Flag(*made, "--errorlog", o.errorLog, "switch on the error lines of the driver's log");
    Flag(*made, "--tracelog", o.traceLog, "switch on the trace lines (frames) of the driver's log");
    Flag(*made, "--force", o.force, "overwrite FILE if it exists (otherwise exit code 4)");
    AddModule(*made);

    CLI::App* show =
        Add(*pdb, "show", Command::kPdbShow, "print a device parameter block file in readable form",
            "Prints a block file: log switches, time-out, write repetitions, line mode, serial\n"
            "settings, the initialisation string and the devices in use. The file must hold\n"
            "exactly 26508 bytes (GetPDBLen), else exit code 4. Devices whose model name does "
            "not\nmatch their model are flagged: the driver drops them when the line starts. "
            "This\ncommand reads the file only and does not load the module.\n");
    show->add_option("FILE", inv_.showFile, "the block file to show")->required();
    AddModule(*show);
  }

  static void AddDevice(PdbNewOptions& o, const DeviceSetting& d) {
    for (const DeviceSetting& seen : o.devices) {
      if (seen.number == d.number) {
        throw UsageError("--device: device " + std::to_string(d.number) + " given twice");
      }
    }
    o.devices.push_back(d);
  }

  // An option whose text one of the parsers of options.cpp turns into its value.
  static void Text(CLI::App& app, const std::string& name, const std::string& type,
                   const std::string& help, std::function<void(const std::string&)> take) {
    app.add_option_function<std::string>(name, std::move(take), help)->type_name(type);
  }

  static void Flag(CLI::App& app, const std::string& name, bool& value, const std::string& text) {
    app.add_flag(name, value, text)->disable_flag_override();
  }

  // Options that run and write share.
  static void AddPollOptions(CLI::App& app, std::optional<uint32_t>& interval, uint32_t& scan,
                             std::string& port) {
    app.add_option("--interval", interval,
                   "time between polls (default: the driver's DetectScanTime)")
        ->type_name("MS")
        ->transform(Decimal(1, kMaxWaitMs));
    app.add_option("--scan", scan, "scan period of every tag (default 1000)")
        ->type_name("MS")
        ->transform(Decimal(0, UINT32_MAX));
    AddPortOption(app, port);
  }

  // --port of the commands that start a line.
  static void AddPortOption(CLI::App& app, std::string& port) {
    Text(app, "--port", "PORT",
         "use port COMn instead of the block's, or serial device PATH for the\nblock's port "
         "(sets VD_INV_COMn; Linux only)",
         [&port](const std::string& v) { port = NonEmpty(v, "--port: empty device path"); });
  }

  void AddRun() {
    RunOptions& o = inv_.run;
    CLI::App* run =
        Add(app_, "run", Command::kRun, "start the driver on a line and print what it reports",
            "Starts the driver on the line described by block FILE (IniDriver) with the given\n"
            "tags, then polls it (OnDataRead) and prints every value and message it reports,\n"
            "until Ctrl-C or --count polls; then stops the driver (FreeDriver).\n"
            "\n"
            "TAG is ADDRESS[@TYPE], TYPE analog (default), switch or string, for example\n"
            "  F1:3  F1:3@analog  E1:2@switch  COMMLINK@string\n"
            "Tag N (counting from 1) gets TagID N and name TagN. An address longer than 63 bytes\n"
            "in GBK is cut, with a warning.\n");
    run->footer(
        "Output lines: local date and time, TagID, [name,] address, quality word, type and\n"
        "value. Exit code 1 when IniDriver answers false.\n"
        "\n"
        "Device tags such as F1:3 are accepted once the block has an inverter at that\n"
        "station (for F1:3 station 1, e.g. 'vdinv pdb new line.pdb --device 1:G11S'; the\n"
        "default block has station 0 only); 'vdinv addr check' shows how the driver reads an\n"
        "address.\n"
        "\n"
        "--port COMn uses that port instead of the block's (the file stays as it is).\n"
        "--port PATH uses the serial device PATH for the block's port: vdinv sets\n"
        "VD_INV_COMn (n the block's COM number) in its own environment before loading the\n"
        "module, e.g. 'vdinv run line.pdb F1:3 --port /dev/ttyUSB0' (Linux only).");
    run->add_option("FILE", o.file, "the block file of the line")->required();
    run->add_option_function<std::vector<std::string>>(
           "TAG",
           [&o](const std::vector<std::string>& tags) {
             for (const std::string& t : tags) o.tags.push_back(ParseTagArgument(t));
           },
           "a tag to start the driver with, ADDRESS[@TYPE]")
        ->required();
    KeepWordsAfterDoubleDash(*run);
    AddPollOptions(*run, o.intervalMs, o.scanPeriod, o.port);
    run->add_option("--count", o.count, "stop after N polls (default: until Ctrl-C)")
        ->type_name("N")
        ->transform(Decimal(1, UINT64_MAX));
    Flag(*run, "--names", o.names,
         "list the tags before starting and show tag names in the output");
    Flag(*run, "--line-thread", o.lineThread,
         "run the driver's exchanges on a thread of their own for this run (the registry "
         "value LineThread; Linux only)");
    AddModule(*run);
  }

  void AddWrite() {
    WriteOptions& o = inv_.write;
    CLI::App* write =
        Add(app_, "write", Command::kWrite,
            "write tag values on a line and wait until they are confirmed",
            "Starts the driver on the line of block FILE with the given tags, polls until each\n"
            "written tag has reported a value (or --timeout passes), sends the values through\n"
            "OnDataWrite, then polls until each written tag is reported with its new value\n"
            "(confirmed) or --timeout passes again, and stops the driver. Every reported value\n"
            "is printed as 'run' prints it; a TAG without '=' is only polled and printed.\n"
            "\n"
            "TAG is ADDRESS[@TYPE] as for 'run'. VALUE: a number for analog tags (the data word\n"
            "the inverter stores, e.g. F1:3=4000), 0, 1, true or false for switch tags\n"
            "(E1:1@switch=1), any text for string tags.\n");
    write->footer(
        "Exit code 0 when every write was confirmed, 1 when IniDriver or OnDataWrite answered\n"
        "false or a write was not confirmed in time.");
    write->add_option("FILE", o.file, "the block file of the line")->required();
    write
        ->add_option_function<std::vector<std::string>>(
            "TAG=VALUE",
            [&o](const std::vector<std::string>& args) {
              for (const std::string& arg : args) {
                if (arg.find('=') != std::string::npos) {
                  o.writes.push_back(ParseWriteArgument(arg));
                } else {
                  o.watched.push_back(ParseTagArgument(arg));
                }
              }
              if (o.writes.empty()) throw UsageError("write: at least one TAG=VALUE is needed");
            },
            "a value to write, or a TAG to poll and print only")
        ->required();
    KeepWordsAfterDoubleDash(*write);
    write
        ->add_option("--timeout", o.timeoutMs,
                     "how long to wait for the first values, and again for the\nconfirmation "
                     "(default 10000)")
        ->type_name("MS")
        ->transform(Decimal(1, kMaxWaitMs));
    AddPollOptions(*write, o.intervalMs, o.scanPeriod, o.port);
    AddModule(*write);
  }

  void AddDemo() {
    DemoOptions& o = inv_.demo;
    CLI::App* demo = Add(
        app_, "demo", Command::kDemo, "a simulated line of two inverters, polled, written, broken",
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
        "VD_INV_REGISTRY at them, so the log is DIR/Debug/VD_Inv.Log.\n");
    demo->footer("Exit code 0 when the write was confirmed and the broken line reported, else 1.");
    Text(*demo, "--dir", "DIR", "the demo's directory, created when missing (default vdinv-demo)",
         [&o](const std::string& v) { o.dir = NonEmpty(v, "--dir: empty directory"); });
    demo->add_option("--timeout", o.timeoutMs,
                     "limit of each step that waits for the line (default 10000)")
        ->type_name("MS")
        ->transform(Decimal(1, kMaxWaitMs));
    AddModule(*demo);
  }

  void AddTest() {
    TestOptions& o = inv_.test;
    CLI::App* test = Add(app_, "test", Command::kTest, "try the devices of a block (DLLTestDev)",
                         "Hands block FILE to the driver's device test (DLLTestDev), as the host's "
                         "device\nconfiguration does: the driver reads F03 of the block's "
                         "smallest device on the\nblock's line. With the configuration windows "
                         "the test window opens; without them,\nand with --silent, the driver "
                         "tries the device by itself: up to six reads, one\nreply time-out "
                         "apart. The block file must hold exactly 26508 bytes.\n");
    test->footer("Exit code 0 when a device answered, 1 when none did.");
    test->add_option("FILE", o.file, "the block file of the line")->required();
    Flag(*test, "--silent", o.silent, "no window: the driver's own check");
    AddPortOption(*test, o.port);
    AddModule(*test);
  }

  void AddWizard() {
    WizardOptions& o = inv_.wizard;
    CLI::App* wizard = Add(
        app_, "wizard", Command::kWizard, "edit a block with the configuration wizard (DLLEdDev)",
        "Hands block FILE to the driver's configuration wizard (DLLEdDev, host window 0), as "
        "the\nhost's device configuration does, and saves the file when the wizard answers "
        "1 (the\nblock changed). The wizard needs a display; without one the driver shows "
        "nothing and\nanswers 2. The block file must hold exactly 26508 bytes.\n");
    wizard->footer(
        "Exit code 0 when the block changed and was saved, 1 when the wizard was cancelled or\n"
        "nothing changed, 5 when the wizard could not be shown (no display).");
    wizard->add_option("FILE", o.file, "the block file to edit")->required();
    AddModule(*wizard);
  }

  void AddAddr() {
    CLI::App* addr = Add(app_, "addr", Command::kAddr, "the tag editor's side of the driver",
                         "The tag editor's side of the driver: the address templates it offers "
                         "and its check\nof a typed address.\n");
    addr->require_subcommand(1);
    CLI::App* list =
        Add(*addr, "list", Command::kAddrList,
            "list the address templates the driver offers (GetTagAddrList)",
            "Asks the driver for its address templates (GetTagAddrList: first the count, then\n"
            "the records) and prints one row per template: the address prefix, its description,\n"
            "the tag type (analog or switch), the access (read-write or read-only) and the lower\n"
            "and upper limit of the value.\n");
    AddModule(*list);

    AddrCheckOptions& o = inv_.addrCheck;
    CLI::App* check =
        Add(*addr, "check", Command::kAddrCheck, "check tag addresses against a block (TagEdAddr)",
            "Hands each ADDRESS to the driver's address check (TagEdAddr) together with block\n"
            "FILE, as the host's tag editor does, and prints for each: the address as typed, the\n"
            "result (1 = the address begins with one of the driver's type prefixes, 0 = not), the\n"
            "normal form the driver hands back (e.g. F1:5.-1 for f1：5) and the driver's message.\n"
            "The check looks at the type prefix only; 'vdinv run' shows whether the driver\n"
            "serves the tag on the line. The block file must hold exactly 26508 bytes (exit\n"
            "code 4 otherwise). An address that begins with '-' goes after '--'.\n");
    check->footer("Exit code 0 when the driver accepted every address, 1 when it refused one.");
    check->add_option("FILE", o.file, "the block file of the line")->required();
    check
        ->add_option_function<std::vector<std::string>>(
            "ADDRESS",
            [&o](const std::vector<std::string>& addresses) {
              for (const std::string& a : addresses) o.addresses.push_back(ParseAddress(a));
            },
            "an address as typed in the tag editor")
        ->required();
    KeepWordsAfterDoubleDash(*check);
    Flag(*check, "--skip", o.skip,
         "ask the driver to skip the check: every address is accepted\nand handed back "
         "unchanged");
    AddModule(*check);
  }

  Invocation& inv_;
  const std::string defaultModule_;
  std::shared_ptr<HelpFormatter> formatter_ = std::make_shared<HelpFormatter>();
  CLI::App app_{"", "vdinv"};
  CLI::App* help_ = nullptr;
  std::vector<std::pair<const CLI::App*, Command>> commands_;
};

// A command that needs a subcommand and did not get a known one. CLI11 says "A subcommand is
// required" both when none was named and when an unknown one was, and shows the help for an
// unknown one followed by --help: the words it left tell which.
std::optional<std::string> CommandRefusal(const CommandTree& tree, bool help) {
  const CLI::App* app = tree.Deepest();
  if (app->get_subcommands({}).empty() || app == tree.HelpCommand()) return std::nullopt;
  const std::string where = app->get_parent() == nullptr ? "" : app->get_name() + ": ";
  const std::vector<std::string> left = app->remaining();
  if (!left.empty() && left.front().rfind('-', 0) == 0) {
    return where + "unknown option '" + left.front() + "'";
  }
  if (!left.empty()) {
    return where + "unknown command '" + left.front() + "' (" + CommandChoice(app) + ")";
  }
  if (help) return std::nullopt;
  return where + "missing command (" + CommandChoice(app) + ")";
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  Invocation inv;
  CommandTree tree(inv, "");
  // CLI11 takes the words in reverse order.
  std::vector<std::string> words(args.rbegin(), args.rend());
  try {
    tree.App().parse(words);
  } catch (const CLI::CallForHelp&) {
    if (auto refusal = CommandRefusal(tree, true)) throw UsageError(*refusal);
    inv.help = true;
    inv.command = tree.Selected();
    return inv;
  } catch (const CLI::ParseError& e) {
    throw UsageError(CommandRefusal(tree, false).value_or(e.what()));
  }
  if (tree.HelpCommand()->parsed()) {
    // "vdinv help [COMMAND...]" is "vdinv [COMMAND...] --help".
    std::vector<std::string> rest = tree.HelpCommand()->remaining();
    if (rest.empty()) {
      inv.help = true;
      return inv;
    }
    rest.push_back("--help");
    Invocation sub = ParseCommandLine(rest);
    sub.module = inv.module;
    return sub;
  }
  inv.command = tree.Selected();
  return inv;
}

std::string HelpText(Command command, const std::string& defaultModule) {
  Invocation inv;
  CommandTree tree(inv, defaultModule);
  return tree.Find(command)->help();
}

}  // namespace vdinv::tool
