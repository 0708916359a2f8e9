#include "vdinv/commands.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/serial_device.h"
#include "platform/text.h"
#include "vdinv/block_format.h"
#include "vdinv/driver_module.h"
#include "vdinv/environment.h"
#include "vdinv/run_format.h"

#if VDINV_WITH_SIMULATOR
#include "invsim/simulator.h"
#endif

#ifndef VDINV_DEFAULT_MODULE
#define VDINV_DEFAULT_MODULE "VD_Inv.so"
#endif

namespace vdinv::tool {
namespace {

void Error(const std::string& text) {
  std::cerr << "vdinv: " << text << "\n";
}

std::string ModulePath(const Invocation& inv) {
  return inv.module.empty() ? DefaultModulePath() : inv.module;
}

// Loads the module and checks that it has the exports `needed`. Returns kExitOk or the code.
int LoadModule(const Invocation& inv, DriverModule& module, std::vector<const char*> needed) {
  std::string error;
  std::string path = ModulePath(inv);
  if (!module.Load(path, &error)) {
    Error("cannot load the driver module '" + path + "': " + error);
    return kExitModule;
  }
  std::vector<std::string> missing;
  for (const ExportInfo& e : module.Exports()) {
    bool wanted = std::any_of(needed.begin(), needed.end(),
                              [&](const char* name) { return std::strcmp(name, e.name) == 0; });
    if (wanted && !e.present) missing.emplace_back(e.name);
  }
  if (!missing.empty()) {
    std::string list;
    for (const std::string& name : missing) list += (list.empty() ? "" : ", ") + name;
    Error("the driver module '" + path + "' lacks the export(s) " + list);
    return kExitModule;
  }
  return kExitOk;
}

// Asks the module for its block length and checks that it is the layout this tool knows.
int CheckBlockLength(const DriverModule& module, int32_t& length) {
  length = module.api.GetPDBLen();
  if (length != kPdbLength) {
    Error("the driver module's block length (GetPDBLen) is " + std::to_string(length) +
          " bytes; this tool knows the " + std::to_string(kPdbLength) + "-byte layout");
    return kExitModule;
  }
  return kExitOk;
}

// Reads a block file of exactly `length` bytes. Returns kExitOk or kExitBlockFile.
int ReadBlockFile(const std::string& path, int32_t length, std::string& bytes) {
  if (!platform::FileExists(path)) {
    Error("block file '" + path + "' does not exist or is not a regular file");
    return kExitBlockFile;
  }
  std::optional<std::string> read = platform::ReadWholeFile(path);
  if (!read) {
    Error("block file '" + path + "' cannot be read");
    return kExitBlockFile;
  }
  if (read->size() != static_cast<size_t>(length)) {
    Error("'" + path + "' is not a device parameter block: it has " + std::to_string(read->size()) +
          " bytes, a block has exactly " + std::to_string(length) + " bytes");
    return kExitBlockFile;
  }
  bytes = std::move(*read);
  return kExitOk;
}

// Loads the module with the exports needed besides GetPDBLen and reads the block file of the
// module's block length.
int LoadModuleAndBlock(const Invocation& inv, DriverModule& module, std::vector<const char*> needed,
                       const std::string& file, std::string& block) {
  needed.push_back("GetPDBLen");
  if (int rc = LoadModule(inv, module, needed); rc != kExitOk) return rc;
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;
  return ReadBlockFile(file, length, block);
}

// Prints a driver message (already UTF-8), one output line per message line.
void PrintMessage(const std::string& message) {
  if (message.empty()) return;
  std::string text;
  for (char c : message) {
    if (c != '\r') text += c;
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  std::string out = "message: ";
  for (char c : text) {
    out += c;
    if (c == '\n') out += "         ";
  }
  std::cout << out << std::endl;
}

}  // namespace

std::string DefaultModulePath() {
  std::string fromEnvironment = platform::GetEnvironment("VDINV_MODULE");
  return fromEnvironment.empty() ? std::string(VDINV_DEFAULT_MODULE) : fromEnvironment;
}

int RunInfo(const Invocation& inv) {
  DriverModule module;
  std::string error;
  std::string path = ModulePath(inv);
  if (!module.Load(path, &error)) {
    Error("cannot load the driver module '" + path + "': " + error);
    return kExitModule;
  }
  std::cout << "Module:         " << path << "\n";
  std::cout << "Exports:\n";
  for (const ExportInfo& e : module.Exports()) {
    std::string name = e.name;
    std::cout << "  " << name << std::string(16 - name.size(), ' ');
    if (e.present) {
      std::cout << "present\n";
    } else if (e.required) {
      std::cout << "MISSING\n";
    } else {
      std::cout << "unavailable (configuration export)\n";
    }
  }
  if (module.api.GetPDBLen != nullptr) {
    int32_t length = module.api.GetPDBLen();
    std::cout << "GetPDBLen:      " << length;
    if (length != kPdbLength)
      std::cout << " (this tool knows the " << kPdbLength << "-byte layout)";
    std::cout << "\n";
  } else {
    std::cout << "GetPDBLen:      unavailable\n";
  }
  if (module.api.DetectScanTime != nullptr) {
    // Nothing has started a driver object on this thread: the module's default scan time.
    std::cout << "DetectScanTime: " << module.api.DetectScanTime() << " ms (no driver object)\n";
  } else {
    std::cout << "DetectScanTime: unavailable\n";
  }
  std::vector<std::string> missing = module.MissingRequired();
  if (!missing.empty()) {
    Error("the driver module lacks " + std::to_string(missing.size()) + " required export(s)");
    return kExitModule;
  }
  return kExitOk;
}

int RunPdbNew(const Invocation& inv) {
  const PdbNewOptions& o = inv.pdbNew;
  if (!o.force && platform::FileExists(o.file)) {
    Error("'" + o.file + "' already exists; give --force to overwrite it");
    return kExitBlockFile;
  }
  DriverModule module;
  if (int rc = LoadModule(inv, module, {"GetPDBLen", "FullPDB"}); rc != kExitOk) return rc;
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;

  std::string bytes(static_cast<size_t>(length), '\0');
  if (module.api.FullPDB(bytes.data()) != bytes.data()) {
    Error("FullPDB did not fill the block");
    return kExitFailed;
  }
  TDevParmBlock pdb = BlockFromBytes(bytes);
  ApplyNewOptions(o, pdb);
  if (DevicesInUse(pdb) == 0) {
    std::cerr << "vdinv: warning: the block has no device in use; the driver will accept no "
                 "device tags\n";
  }
  if (!platform::WriteWholeFile(o.file, BlockToBytes(pdb))) {
    Error("cannot write block file '" + o.file + "'");
    return kExitBlockFile;
  }
  std::cout << "Created " << o.file << " (" << length << " bytes)\n" << FormatBlock(pdb);
  return kExitOk;
}

int RunPdbShow(const Invocation& inv) {
  std::string bytes;
  if (int rc = ReadBlockFile(inv.showFile, kPdbLength, bytes); rc != kExitOk) return rc;
  std::cout << "Block file:   " << inv.showFile << " (" << bytes.size() << " bytes)\n"
            << FormatBlock(BlockFromBytes(bytes));
  return kExitOk;
}

namespace {

using SteadyClock = std::chrono::steady_clock;

// The latest value the driver reported for a tag.
struct Reported {
  uint8_t type = 0;
  double number = 0;  // analog and switch values
  std::string text;   // string values (UTF-8)
  uint32_t quality = 0;
};

// Builds the host's records of the tags, TagID N for the N-th, warning about changed addresses.
std::vector<BuiltTag> BuildTags(const std::vector<TagArgument>& arguments, uint32_t scanPeriod) {
  std::vector<BuiltTag> tags;
  for (size_t i = 0; i < arguments.size(); ++i) {
    uint32_t id = static_cast<uint32_t>(i + 1);
    tags.push_back(BuildTag(id, arguments[i], scanPeriod));
    const BuiltTag& t = tags.back();
    if (t.replaced) {
      std::cerr << "vdinv: warning: tag " << id << ": characters without a GBK form became '?'\n";
    }
    if (t.cut) {
      std::cerr << "vdinv: warning: tag " << id << ": address cut to 63 bytes: \""
                << platform::GbkToUtf8(t.addressGbk) << "\"\n";
    }
  }
  return tags;
}

// A driver line as the tool hosts it: started with IniDriver, polled with OnDataRead (every
// reported value printed and kept), stopped with FreeDriver.
class HostedLine {
 public:
  HostedLine(DriverModule& module, std::vector<BuiltTag>& tags, bool names)
      : module_(module), tags_(tags), names_(names), values_(tags.size()) {}
  HostedLine(const HostedLine&) = delete;
  HostedLine& operator=(const HostedLine&) = delete;
  ~HostedLine() { Free(); }

  bool Start(std::string& block) {
    std::vector<TTagInfo*> pointers;
    for (BuiltTag& t : tags_) pointers.push_back(&t.info);
    char* message = nullptr;
    started_ = true;
    bool ok = module_.api.IniDriver(static_cast<int32_t>(pointers.size()), pointers.data(),
                                    block.data(), &message) != 0;
    std::cout << "IniDriver: " << (ok ? "true" : "false") << std::endl;
    PrintMessage(TakeDriverText(message));
    return ok;
  }

  // One OnDataRead. False when the driver reported more values than the array holds.
  bool Poll() {
    std::memset(values_.data(), 0, values_.size() * sizeof(TTagValue));
    int32_t count = 0;
    char* pollMessage = nullptr;
    module_.api.OnDataRead(&count, values_.data(), &pollMessage);
    ++polls_;
    PrintMessage(TakeDriverText(pollMessage));
    bool ok = true;
    size_t reported = count > 0 ? static_cast<size_t>(count) : 0;
    if (reported > values_.size()) {
      Error("OnDataRead reported " + std::to_string(count) + " values for an array of " +
            std::to_string(values_.size()) + " records; stopping");
      reported = values_.size();
      ok = false;
    }
    for (size_t i = 0; i < reported; ++i) {
      TTagValue& v = values_[i];
      std::string line =
          FormatTimestamp(OleDateToLocal(v.TimeStamp)) + "  #" + std::to_string(v.TagID) + "  ";
      if (names_) line += "Tag" + std::to_string(v.TagID) + "  ";
      char quality[16];
      std::snprintf(quality, sizeof quality, "0x%08X", v.Quality);
      line += ShownAddress(v.TagID) + "  q=" + quality + "  " + TypeName(v.DataType) + "  " +
              FormatValue(v);
      std::cout << line << std::endl;
      Reported r;
      r.type = v.DataType;
      r.quality = v.Quality;
      if (v.DataType == kAnalog) r.number = v.Value.analog;
      if (v.DataType == kSwitch) r.number = v.Value.switchValue;
      if (v.DataType == kString) {
        if (v.Value.text != nullptr) r.text = platform::GbkToUtf8(v.Value.text);
        platform::FreeHostText(v.Value.text);
        v.Value.text = nullptr;
      }
      latest_[v.TagID] = r;
    }
    return ok;
  }

  // Polls until done() holds (checked after each poll), the time limit passes, the user
  // interrupts or a poll fails. True when done() held.
  bool PollUntil(const std::function<bool()>& done, uint32_t limitMs,
                 std::optional<uint32_t> intervalMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(limitMs);
    while (!platform::Interrupted()) {
      if (!Poll()) {
        failed_ = true;
        return false;
      }
      if (done()) return true;
      if (SteadyClock::now() >= deadline) return false;
      uint32_t interval = intervalMs ? *intervalMs : module_.api.DetectScanTime();
      platform::SleepMilliseconds(std::max<uint32_t>(interval, 1));
    }
    return false;
  }

  const Reported* Latest(uint32_t id) const {
    auto found = latest_.find(id);
    return found == latest_.end() ? nullptr : &found->second;
  }
  std::string ShownAddress(uint32_t id) const {
    if (id == 0 || id > tags_.size()) return "(unknown tag)";
    return platform::GbkToUtf8(tags_[id - 1].addressGbk);
  }
  uint64_t Polls() const { return polls_; }
  bool Failed() const { return failed_; }

  void Free() {
    if (!started_) return;
    started_ = false;
    module_.api.FreeDriver();
  }

 private:
  DriverModule& module_;
  std::vector<BuiltTag>& tags_;
  bool names_;
  std::vector<TTagValue> values_;
  std::map<uint32_t, Reported> latest_;
  uint64_t polls_ = 0;
  bool started_ = false;
  bool failed_ = false;
};

// The port number n of a port named "COMn" (n = 1..16, any case), else 0.
int NamedComPort(const std::string& text) {
  if (text.size() < 4 || text.size() > 5) return 0;
  std::string prefix = text.substr(0, 3);
  for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (prefix != "com") return 0;
  int n = 0;
  for (char c : text.substr(3)) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 16 ? n : 0;
}

// --port: a port named COMn becomes the block's port (the file stays as it is); a device path
// becomes VD_INV_COMn for the block's port n, in this process. A system whose ports are not
// found through that variable is told the path in vain, so the path is refused there.
int UsePortPath(const std::string& path, std::string& block) {
  if (path.empty()) return kExitOk;
  TDevParmBlock pdb = BlockFromBytes(block);
  if (int named = NamedComPort(path); named != 0) {
    pdb.ComPort = static_cast<uint8_t>(named - 1);
    block = BlockToBytes(pdb);
    std::cout << "Port: COM" << named << " (" << platform::SerialPortPath(named) << ")"
              << std::endl;
    return kExitOk;
  }
  uint8_t code = pdb.ComPort;
  if (code > 15) {
    Error("the block's port code " + std::to_string(code) +
          " is not one of COM1..COM16; --port cannot be used with it");
    return kExitFailed;
  }
  std::string name = "VD_INV_COM" + std::to_string(code + 1);
  if (!SetProcessEnvironment(name, path)) {
    Error("cannot set " + name);
    return kExitFailed;
  }
  if (platform::SerialPortPath(code + 1) != path) {
    Error("this system does not take a device path for a port; name the port as COMn");
    return kExitFailed;
  }
  std::cout << "Port: COM" << (code + 1) << " is " << path << " (" << name << ")" << std::endl;
  return kExitOk;
}

// Loads the module and the block file of `run` and `write`.
int PrepareLine(const Invocation& inv, const std::string& file, const std::string& port,
                DriverModule& module, std::string& block, bool writes) {
  std::vector<const char*> needed = {"IniDriver", "OnDataRead", "DetectScanTime", "FreeDriver",
                                     "GetPDBLen"};
  if (writes) needed.push_back("OnDataWrite");
  if (int rc = LoadModule(inv, module, needed); rc != kExitOk) {
    return rc;
  }
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;
  if (int rc = ReadBlockFile(file, length, block); rc != kExitOk) return rc;
  return UsePortPath(port, block);
}

// A value to write, as the driver's record and as text for the output.
struct PendingWrite {
  uint32_t id = 0;
  WriteArgument argument;
  std::string gbk;  // the text of a string value; the record points into it
  TTagValue record{};
};

std::string ShownWriteValue(const WriteArgument& w) {
  switch (w.tag.dataType) {
    case kAnalog: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", w.analog);
      return buf;
    }
    case kSwitch:
      return w.on ? "1" : "0";
  }
  return "\"" + w.text + "\"";
}

std::string ShownReported(const Reported& r) {
  char quality[32];
  std::snprintf(quality, sizeof quality, ", q=0x%08X", r.quality);
  if (r.type == kString) return "\"" + r.text + "\"" + quality;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", r.number);
  return buf + std::string(quality);
}

// What a string tag reports once its write is confirmed: the data word the device stores, a
// text of one to four hexadecimal digits upper-cased and zero-padded to four (the driver
// refuses any other text).
std::string ConfirmedText(const std::string& text) {
  constexpr size_t kDigits = 4;
  const bool word =
      !text.empty() && text.size() <= kDigits && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c));
      });
  if (!word) return text;
  std::string confirmed(kDigits - text.size(), '0');
  for (char c : text) confirmed += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return confirmed;
}

bool Matches(const Reported* r, const WriteArgument& w) {
  // A value of bad quality (the line failed) confirms nothing, even when it happens to match.
  if (r == nullptr || r->type != w.tag.dataType || r->quality != 0) return false;
  switch (w.tag.dataType) {
    case kAnalog:
      return std::fabs(r->number - w.analog) <= 1e-9 * std::max(1.0, std::fabs(w.analog));
    case kSwitch:
      return (r->number != 0) == w.on;
  }
  return r->text == ConfirmedText(w.text);
}

// Sends the writes through OnDataWrite and polls until each is reported with its new value or
// the time limit passes. Prints the outcome of each; kExitOk when all were confirmed.
int WriteAndConfirm(DriverModule& module, HostedLine& line, std::vector<PendingWrite>& writes,
                    uint32_t timeoutMs, std::optional<uint32_t> intervalMs) {
  std::vector<TTagValue> records;
  for (PendingWrite& w : writes) {
    TTagValue& v = w.record;
    std::memset(&v, 0, sizeof v);
    v.TagID = w.id;
    v.DataType = w.argument.tag.dataType;
    if (v.DataType == kAnalog) v.Value.analog = w.argument.analog;
    if (v.DataType == kSwitch) v.Value.switchValue = w.argument.on ? 1 : 0;
    if (v.DataType == kString) {
      w.gbk = platform::Utf8ToGbk(w.argument.text);
      v.Value.text = w.gbk.data();  // the driver never frees what the host passes in
    }
    records.push_back(v);
    std::cout << "write " << line.ShownAddress(w.id) << " = " << ShownWriteValue(w.argument)
              << std::endl;
  }
  char* message = nullptr;
  bool accepted =
      module.api.OnDataWrite(static_cast<int32_t>(records.size()), records.data(), &message) != 0;
  std::cout << "OnDataWrite: " << (accepted ? "true" : "false") << std::endl;
  PrintMessage(TakeDriverText(message));
  if (!accepted) return kExitFailed;

  auto confirmed = [&](const PendingWrite& w) { return Matches(line.Latest(w.id), w.argument); };
  line.PollUntil([&] { return std::all_of(writes.begin(), writes.end(), confirmed); }, timeoutMs,
                 intervalMs);
  int rc = line.Failed() ? kExitFailed : kExitOk;
  for (const PendingWrite& w : writes) {
    std::string head = "write " + line.ShownAddress(w.id) + " = " + ShownWriteValue(w.argument);
    if (confirmed(w)) {
      std::cout << head << ": confirmed" << std::endl;
    } else {
      const Reported* last = line.Latest(w.id);
      std::cout << head << ": NOT confirmed within " << timeoutMs
                << " ms (last reported: " << (last ? ShownReported(*last) : std::string("nothing"))
                << ")" << std::endl;
      rc = kExitFailed;
    }
  }
  return rc;
}

}  // namespace

int RunRun(const Invocation& inv) {
  const RunOptions& o = inv.run;
  LineThreadSwitch lineThread;
  if (std::string error; o.lineThread && !lineThread.On(error)) {
    Error(error);
    return kExitFailed;
  }
  DriverModule module;
  std::string block;
  if (int rc = PrepareLine(inv, o.file, o.port, module, block, false); rc != kExitOk) return rc;

  std::vector<BuiltTag> tags = BuildTags(o.tags, o.scanPeriod);
  if (o.names) {
    std::cout << "Tags:\n";
    for (const BuiltTag& t : tags) {
      std::cout << "  #" << t.info.TagID << "  " << t.info.TagName << "  "
                << platform::GbkToUtf8(t.addressGbk) << "  " << TypeName(t.info.DataType) << "\n";
    }
  }

  platform::InstallInterruptFlag();
  HostedLine line(module, tags, o.names);
  if (!line.Start(block)) return kExitFailed;

  int rc = kExitOk;
  while (!platform::Interrupted() && (!o.count || line.Polls() < *o.count)) {
    if (!line.Poll()) {
      rc = kExitFailed;
      break;
    }
    if (o.count && line.Polls() >= *o.count) break;
    uint32_t interval = o.intervalMs ? *o.intervalMs : module.api.DetectScanTime();
    platform::SleepMilliseconds(std::max<uint32_t>(interval, 1));
  }
  line.Free();
  std::cout << "FreeDriver: stopped after " << line.Polls() << " poll(s)"
            << (platform::Interrupted() ? " (interrupted)" : "") << std::endl;
  return rc;
}

int RunWrite(const Invocation& inv) {
  const WriteOptions& o = inv.write;
  DriverModule module;
  std::string block;
  if (int rc = PrepareLine(inv, o.file, o.port, module, block, true); rc != kExitOk) return rc;

  std::vector<TagArgument> arguments;
  for (const WriteArgument& w : o.writes) arguments.push_back(w.tag);
  arguments.insert(arguments.end(), o.watched.begin(), o.watched.end());
  std::vector<BuiltTag> tags = BuildTags(arguments, o.scanPeriod);
  std::vector<PendingWrite> writes;
  for (size_t i = 0; i < o.writes.size(); ++i) {
    PendingWrite w;
    w.id = static_cast<uint32_t>(i + 1);
    w.argument = o.writes[i];
    writes.push_back(std::move(w));
  }

  platform::InstallInterruptFlag();
  HostedLine line(module, tags, false);
  if (!line.Start(block)) return kExitFailed;
  // The current values first, so that the output shows what the writes change.
  line.PollUntil(
      [&] {
        return std::all_of(writes.begin(), writes.end(),
                           [&](const PendingWrite& w) { return line.Latest(w.id) != nullptr; });
      },
      o.timeoutMs, o.intervalMs);
  int rc = kExitFailed;
  if (!line.Failed() && !platform::Interrupted()) {
    rc = WriteAndConfirm(module, line, writes, o.timeoutMs, o.intervalMs);
  }
  line.Free();
  std::cout << "FreeDriver: stopped after " << line.Polls() << " poll(s)"
            << (platform::Interrupted() ? " (interrupted)" : "") << std::endl;
  return rc;
}

#if VDINV_WITH_SIMULATOR
int RunDemo(const Invocation& inv) {
  const DemoOptions& o = inv.demo;
  std::string dir = o.dir;
  if (dir.back() != '/') dir += '/';
  if (!platform::CreateDirectories(dir)) {
    Error("cannot create the demo directory '" + dir + "'");
    return kExitFailed;
  }
  // The demo's own host installation: the log lands in DIR/Debug/.
  const std::string registry = dir + "registry.ini";
  if (!platform::WriteWholeFile(registry, "[Software\\KORVI]\nPATH=" + dir + "\n") ||
      !platform::WriteWholeFile(dir + "Ovatrex.ini",
                                "[WORKING]\nDefaultPROJECT=" + dir + "demo\n") ||
      !SetProcessEnvironment("VD_INV_REGISTRY", registry)) {
    Error("cannot write the demo's host files in '" + dir + "'");
    return kExitFailed;
  }

  DriverModule module;
  if (int rc = LoadModule(inv, module,
                          {"IniDriver", "OnDataRead", "OnDataWrite", "DetectScanTime", "FreeDriver",
                           "GetPDBLen", "FullPDB"});
      rc != kExitOk) {
    return rc;
  }
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;

  // The simulated line.
  invsim::SimulatorOptions simOptions;
  simOptions.linkPath = dir + "ttyINV";
  invsim::Simulator sim(simOptions);
  sim.SetStation(1, invsim::Model::kG11S);
  sim.SetStation(2, invsim::Model::kP11S);
  const std::pair<int, std::pair<invsim::FunctionCode, int32_t>> values[] = {
      {1, {{'F', 3}, 5000}}, {1, {{'M', 9}, 4990}}, {1, {{'M', 5}, 1230}}, {1, {{'E', 1}, 1}},
      {2, {{'F', 3}, 2500}}, {2, {{'M', 9}, 2480}}, {2, {{'M', 5}, 870}},  {2, {{'E', 1}, 0}}};
  for (const auto& [station, value] : values) sim.SetValue(station, value.first, value.second);
  if (!sim.Start()) {
    Error("cannot start the simulated line: " + sim.Error());
    return kExitFailed;
  }
  if (!SetProcessEnvironment("VD_INV_COM1", sim.LinkPath())) {
    Error("cannot set VD_INV_COM1");
    return kExitFailed;
  }
  std::cout << "== a simulated line: station 1 G11S, station 2 P11S on " << sim.Path()
            << "\n   behind " << sim.LinkPath() << ", used as COM1 (VD_INV_COM1)" << std::endl;

  // The block: COM1, devices 1 and 2, a short reply time-out.
  std::string block(static_cast<size_t>(length), '\0');
  if (module.api.FullPDB(block.data()) != block.data()) {
    Error("FullPDB did not fill the block");
    return kExitFailed;
  }
  PdbNewOptions pdbOptions;
  pdbOptions.comPort = 0;
  pdbOptions.outTime = 100;
  pdbOptions.devices = {{0, kModelNone}, {1, kModelG11S}, {2, kModelP11S}};
  TDevParmBlock pdb = BlockFromBytes(block);
  ApplyNewOptions(pdbOptions, pdb);
  block = BlockToBytes(pdb);

  const char* const addresses[] = {"COMMLINK@string",
                                   "DEVICELINK1@string",
                                   "DEVICELINK2@string",
                                   "F1:3",
                                   "M1:9",
                                   "M1:5",
                                   "E1:1@switch",
                                   "F2:3",
                                   "M2:9",
                                   "M2:5",
                                   "E2:1@switch"};
  std::vector<TagArgument> arguments;
  for (const char* a : addresses) arguments.push_back(ParseTagArgument(a));
  constexpr uint32_t kDeviceLink1 = 2, kDeviceLink2 = 3, kFrequency1 = 4;
  constexpr uint32_t kScanMs = 50, kPollMs = 20;
  std::vector<BuiltTag> tags = BuildTags(arguments, kScanMs);
  std::cout << "== the block: COM1, device 1 G11S, device 2 P11S, time-out 100 ms; tags:\n";
  for (const BuiltTag& t : tags) {
    std::cout << "  #" << t.info.TagID << "  " << platform::GbkToUtf8(t.addressGbk) << "  "
              << TypeName(t.info.DataType) << "\n";
  }

  platform::InstallInterruptFlag();
  HostedLine line(module, tags, false);
  std::cout << "== the driver started through its exports" << std::endl;
  if (!line.Start(block)) return kExitFailed;

  auto textIs = [&](uint32_t id, const std::string& text) {
    const Reported* r = line.Latest(id);
    return r != nullptr && r->text == text;
  };
  const std::string normal1 = "1号变频器G11S通讯正常!";
  const std::string normal2 = "2号变频器P11S通讯正常!";
  const std::string broken2 = "2号变频器P11S通讯线路断路!";
  std::cout << "== polling until both inverters answer" << std::endl;
  bool answered = line.PollUntil(
      [&] {
        return textIs(kDeviceLink1, normal1) && textIs(kDeviceLink2, normal2) &&
               line.Latest(kFrequency1) != nullptr;
      },
      o.timeoutMs, kPollMs);
  if (!answered) std::cout << "the inverters did not both answer in time" << std::endl;

  int rc = kExitFailed;
  if (answered) {
    std::cout << "== a new frequency setting for station 1" << std::endl;
    std::vector<PendingWrite> writes(1);
    writes[0].id = kFrequency1;
    writes[0].argument.tag = arguments[kFrequency1 - 1];
    writes[0].argument.analog = 4000;
    rc = WriteAndConfirm(module, line, writes, o.timeoutMs, kPollMs);
  }
  if (rc == kExitOk) {
    std::cout << "== station 2 falls silent (simulated fault)" << std::endl;
    invsim::StationFaults silent;
    silent.silent = true;
    sim.SetFaults(2, silent);
    bool broken =
        line.PollUntil([&] { return textIs(kDeviceLink2, broken2); }, o.timeoutMs, kPollMs);
    std::cout << "DEVICELINK2: " << (broken ? broken2 : "the broken line was NOT reported in time")
              << std::endl;
    if (!broken) rc = kExitFailed;
  }
  line.Free();
  sim.Stop();
  std::cout << "== FreeDriver: stopped after " << line.Polls() << " poll(s)" << std::endl;
  std::cout << "The driver's log (GBK, with its run report): " << dir << "Debug/VD_Inv.Log"
            << std::endl;
  return rc;
}

#else
// The demo's line is the simulator on a pseudo-terminal, which this build does not have.
int RunDemo(const Invocation&) {
  Error(
      "the demo needs the simulated line, which this build does not have; use run and write "
      "with --port against a line");
  return kExitFailed;
}
#endif

int RunAddrList(const Invocation& inv) {
  DriverModule module;
  if (int rc = LoadModule(inv, module, {"GetTagAddrList"}); rc != kExitOk) return rc;
  int32_t count = 0;
  module.api.GetTagAddrList(0, &count, nullptr);
  // A template table is a handful of rows; a count beyond any sensible table is a fault of the
  // module, not a request to allocate gigabytes.
  constexpr int32_t kMostTemplates = 10000;
  if (count < 0 || count > kMostTemplates) {
    Error("GetTagAddrList reported " + std::to_string(count) + " templates; stopping");
    return kExitFailed;
  }
  // One record more than asked for, filled with a pattern: the driver must leave it alone.
  std::vector<TTagAddrTemplate> list(static_cast<size_t>(count) + 1);
  std::memset(list.data(), 0, list.size() * sizeof(TTagAddrTemplate));
  std::memset(&list.back(), 0xA5, sizeof(TTagAddrTemplate));
  const TTagAddrTemplate guard = list.back();
  int32_t asked = count;
  module.api.GetTagAddrList(0, &asked, list.data());
  bool overrun = std::memcmp(&list.back(), &guard, sizeof guard) != 0;
  list.pop_back();
  std::cout << "GetTagAddrList: " << count << " template(s)\n" << FormatAddrTemplates(list);
  int rc = kExitOk;
  if (asked != count) {
    Error("GetTagAddrList changed the count from " + std::to_string(count) + " to " +
          std::to_string(asked));
    rc = kExitFailed;
  }
  if (overrun) {
    Error("GetTagAddrList wrote beyond the " + std::to_string(count) + " record(s) asked for");
    rc = kExitFailed;
  }
  return rc;
}

int RunAddrCheck(const Invocation& inv) {
  const AddrCheckOptions& o = inv.addrCheck;
  DriverModule module;
  std::string block;
  if (int rc = LoadModuleAndBlock(inv, module, {"TagEdAddr"}, o.file, block); rc != kExitOk)
    return rc;

  int rc = kExitOk;
  for (size_t i = 0; i < o.addresses.size(); ++i) {
    const std::string& typed = o.addresses[i];
    std::string gbk = platform::Utf8ToGbk(typed);
    if (platform::GbkToUtf8(gbk) != typed) {
      std::cerr << "vdinv: warning: '" << typed << "': characters without a GBK form became '?'\n";
    }
    // The tool's own buffer: the driver replaces the pointer with a text of its own and never
    // frees what the host passes in, so this buffer stays the tool's to release.
    std::vector<char> own(gbk.begin(), gbk.end());
    own.push_back('\0');
    char* address = own.data();
    char* message = nullptr;
    AddrCheckAnswer answer;
    answer.typed = typed;
    answer.result = module.api.TagEdAddr(block.data(), &address, o.skip ? 1 : 0, &message);
    if (address == own.data()) {
      // Not a text of the driver's: reading it is fine, releasing it is not.
      std::cerr << "vdinv: warning: TagEdAddr handed the host's own address buffer back\n";
      answer.normal = platform::GbkToUtf8(own.data());
    } else {
      answer.normal = TakeDriverText(address);
    }
    answer.message = TakeDriverText(message);
    if (i > 0) std::cout << "\n";
    std::cout << FormatAddrCheck(answer) << std::flush;
    if (answer.result != 1) rc = kExitFailed;
  }
  return rc;
}

int RunTest(const Invocation& inv) {
  const TestOptions& o = inv.test;
  DriverModule module;
  std::string block;
  if (int rc = LoadModuleAndBlock(inv, module, {"DLLTestDev"}, o.file, block); rc != kExitOk)
    return rc;
  if (int rc = UsePortPath(o.port, block); rc != kExitOk) return rc;
  const uint8_t answered = module.api.DLLTestDev(block.data(), o.silent ? 0 : 1);
  std::cout << "DLLTestDev: " << int{answered}
            << (answered == 1 ? " (a device answered)" : " (no device answered)") << std::endl;
  return answered == 1 ? kExitOk : kExitFailed;
}

int RunWizard(const Invocation& inv) {
  const WizardOptions& o = inv.wizard;
  DriverModule module;
  std::string block;
  if (int rc = LoadModuleAndBlock(inv, module, {"DLLEdDev"}, o.file, block); rc != kExitOk)
    return rc;
  const int32_t result = module.api.DLLEdDev(0, block.data());
  std::cout << "DLLEdDev: " << result;
  if (result == 1) {
    if (!platform::WriteWholeFile(o.file, block)) {
      std::cout << std::endl;
      Error("block file '" + o.file + "' cannot be written; the changes are lost");
      return kExitBlockFile;
    }
    std::cout << " (the block changed; saved to " << o.file << ")" << std::endl;
    return kExitOk;
  }
  // The driver answers 2 alike for a cancelled wizard and for one it could not show.
  if (!DisplayNamed()) {
    std::cout << " (the wizard could not be shown: no display; nothing saved)" << std::endl;
    return kExitNoWindow;
  }
  std::cout << " (cancelled or nothing changed; nothing saved)" << std::endl;
  return kExitFailed;
}

}  // namespace vdinv::tool
