#include "vdinv/commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/text.h"
#include "vdinv/block_format.h"
#include "vdinv/driver_module.h"
#include "vdinv/run_format.h"

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
  length = module.getPdbLen();
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
  if (module.getPdbLen != nullptr) {
    int32_t length = module.getPdbLen();
    std::cout << "GetPDBLen:      " << length;
    if (length != kPdbLength)
      std::cout << " (this tool knows the " << kPdbLength << "-byte layout)";
    std::cout << "\n";
  } else {
    std::cout << "GetPDBLen:      unavailable\n";
  }
  if (module.detectScanTime != nullptr) {
    // Nothing has started a driver object on this thread: the module's default scan time.
    std::cout << "DetectScanTime: " << module.detectScanTime() << " ms (no driver object)\n";
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
  if (module.fullPdb(bytes.data()) != bytes.data()) {
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

int RunRun(const Invocation& inv) {
  const RunOptions& o = inv.run;
  DriverModule module;
  if (int rc = LoadModule(inv, module,
                          {"IniDriver", "OnDataRead", "DetectScanTime", "FreeDriver", "GetPDBLen"});
      rc != kExitOk) {
    return rc;
  }
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;
  std::string block;
  if (int rc = ReadBlockFile(o.file, length, block); rc != kExitOk) return rc;

  std::vector<BuiltTag> tags;
  std::map<uint32_t, size_t> byId;
  for (size_t i = 0; i < o.tags.size(); ++i) {
    uint32_t id = static_cast<uint32_t>(i + 1);
    tags.push_back(BuildTag(id, o.tags[i], o.scanPeriod));
    byId[id] = i;
    const BuiltTag& t = tags.back();
    if (t.replaced) {
      std::cerr << "vdinv: warning: tag " << id << ": characters without a GBK form became '?'\n";
    }
    if (t.cut) {
      std::cerr << "vdinv: warning: tag " << id << ": address cut to 63 bytes: \""
                << platform::GbkToUtf8(t.addressGbk) << "\"\n";
    }
  }
  std::vector<TTagInfo*> pointers;
  for (BuiltTag& t : tags) pointers.push_back(&t.info);
  auto shownAddress = [&](uint32_t id) -> std::string {
    auto found = byId.find(id);
    if (found == byId.end()) return "(unknown tag)";
    return platform::GbkToUtf8(tags[found->second].addressGbk);
  };
  if (o.names) {
    std::cout << "Tags:\n";
    for (const BuiltTag& t : tags) {
      std::cout << "  #" << t.info.TagID << "  " << t.info.TagName << "  "
                << platform::GbkToUtf8(t.addressGbk) << "  " << TypeName(t.info.DataType) << "\n";
    }
  }

  platform::InstallInterruptFlag();
  char* message = nullptr;
  bool started = module.iniDriver(static_cast<int32_t>(pointers.size()), pointers.data(),
                                  block.data(), &message) != 0;
  std::cout << "IniDriver: " << (started ? "true" : "false") << std::endl;
  PrintMessage(TakeDriverText(message));
  if (!started) {
    module.freeDriver();
    return kExitFailed;
  }

  const size_t capacity = tags.size();
  std::vector<TTagValue> values(capacity);
  uint64_t polls = 0;
  int rc = kExitOk;
  while (!platform::Interrupted() && (!o.count || polls < *o.count)) {
    std::memset(values.data(), 0, values.size() * sizeof(TTagValue));
    int32_t count = 0;
    char* pollMessage = nullptr;
    module.onDataRead(&count, values.data(), &pollMessage);
    ++polls;
    PrintMessage(TakeDriverText(pollMessage));
    size_t reported = count > 0 ? static_cast<size_t>(count) : 0;
    if (reported > capacity) {
      Error("OnDataRead reported " + std::to_string(count) + " values for an array of " +
            std::to_string(capacity) + " records; stopping");
      reported = capacity;
      rc = kExitFailed;
    }
    for (size_t i = 0; i < reported; ++i) {
      TTagValue& v = values[i];
      std::string line =
          FormatTimestamp(OleDateToLocal(v.TimeStamp)) + "  #" + std::to_string(v.TagID) + "  ";
      if (o.names) line += "Tag" + std::to_string(v.TagID) + "  ";
      char quality[16];
      std::snprintf(quality, sizeof quality, "0x%08X", v.Quality);
      line += shownAddress(v.TagID) + "  q=" + quality + "  " + TypeName(v.DataType) + "  " +
              FormatValue(v);
      std::cout << line << std::endl;
      if (v.DataType == kString && v.Value.text != nullptr) {
        std::free(v.Value.text);
        v.Value.text = nullptr;
      }
    }
    if (rc != kExitOk) break;
    if (o.count && polls >= *o.count) break;
    uint32_t interval = o.intervalMs ? *o.intervalMs : module.detectScanTime();
    platform::SleepMilliseconds(std::max<uint32_t>(interval, 1));
  }
  module.freeDriver();
  std::cout << "FreeDriver: stopped after " << polls << " poll(s)"
            << (platform::Interrupted() ? " (interrupted)" : "") << std::endl;
  return rc;
}

int RunAddrList(const Invocation& inv) {
  DriverModule module;
  if (int rc = LoadModule(inv, module, {"GetTagAddrList"}); rc != kExitOk) return rc;
  int32_t count = 0;
  module.getTagAddrList(0, &count, nullptr);
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
  module.getTagAddrList(0, &asked, list.data());
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
  if (int rc = LoadModule(inv, module, {"TagEdAddr", "GetPDBLen"}); rc != kExitOk) return rc;
  int32_t length = 0;
  if (int rc = CheckBlockLength(module, length); rc != kExitOk) return rc;
  std::string block;
  if (int rc = ReadBlockFile(o.file, length, block); rc != kExitOk) return rc;

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
    answer.result = module.tagEdAddr(block.data(), &address, o.skip ? 1 : 0, &message);
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

}  // namespace vdinv::tool
