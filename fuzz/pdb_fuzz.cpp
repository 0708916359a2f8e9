// Fuzzes the parameter block operations and the initialisation of a driver line with an
// arbitrary block.
//
// Input: the 26508 bytes of a parameter block (a shorter input is padded with zeros, bytes
// beyond are ignored). The block goes through CheckPDBModels, FullPDB, LoadPdb/StorePdb and
// CopyPdb, then IniDriver with a fixed set of status and device tags, three polls a time-out
// apart (every request must name a station the checked block has) and FreeDriver. The
// block's own switches decide whether the driver logs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "driver_harness.h"

namespace {

using vdinv::kDeviceCount;
using vdinv::kModelNone;
using vdinv::kPdbLength;
using vdinv::ModelNameOf;
using vdinv::TDevParmBlock;
using vdinv::fuzz::Check;

// After CheckPDBModels every entry is "no device" or a known model under its own name.
void CheckModels(const TDevParmBlock& pdb) {
  for (const auto& entry : pdb.Devices) {
    if (entry.Model == kModelNone) continue;
    Check(!ModelNameOf(entry.Model).empty() && entry.ModelName.Get() == ModelNameOf(entry.Model));
  }
}

// FullPDB sets the defaults and keeps the fields it does not name.
void CheckDefaults(const TDevParmBlock& before, const TDevParmBlock& after) {
  Check(after.CurDevice == 0 && after.EnDebug == 0 && after.EnErrorLog == 0 &&
        after.EnTraceLog == 0 && after.LinkMode == 0 && after.ComPort == 0 &&
        after.BaudIndex == 6 && after.DataBits == 4 && after.StopBits == 0 && after.Parity == 0);
  Check(after.Devices[0].Model == vdinv::kModelG11S);
  for (int i = 0; i < kDeviceCount; ++i) {
    const auto& b = before.Devices[i];
    const auto& a = after.Devices[i];
    Check(a.DevNo == i && (i == 0 || a.Model == kModelNone));
    Check(std::memcmp(&a.ModelName, &b.ModelName, sizeof a.ModelName) == 0);
    Check(a.Reserved34 == b.Reserved34 && a.Reserved35 == b.Reserved35);
  }
  Check(std::memcmp(&after.ReservedText, &before.ReservedText, sizeof after.ReservedText) == 0);
  Check(std::memcmp(&after.InitStr, &before.InitStr, sizeof after.InitStr) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& host = vdinv::fuzz::DriverHost::Instance();
  std::vector<uint8_t> raw(kPdbLength, 0);
  std::memcpy(raw.data(), data, std::min<size_t>(size, raw.size()));

  // The block as a host holds it, at an odd address.
  std::vector<uint8_t> held(raw.size() + 1);
  std::memcpy(held.data() + 1, raw.data(), raw.size());
  void* block = held.data() + 1;

  // Storing what was loaded gives the same bytes.
  std::vector<uint8_t> stored(raw.size());
  vdinv::StorePdb(stored.data(), vdinv::LoadPdb(raw.data()));
  Check(stored == raw);

  const bool changed = vdinv::CheckPdbModels(block);
  const TDevParmBlock checked = vdinv::LoadPdb(block);
  CheckModels(checked);
  Check(changed == (std::memcmp(block, raw.data(), raw.size()) != 0));
  Check(!vdinv::CheckPdbModels(block));

  std::vector<uint8_t> filled = raw;
  Check(vdinv::FullPdb(filled.data()) == filled.data());
  CheckDefaults(vdinv::LoadPdb(raw.data()), vdinv::LoadPdb(filled.data()));

  // A copy names every model after its code, so only codes outside the table are reset.
  TDevParmBlock copy{};
  const TDevParmBlock original = vdinv::LoadPdb(raw.data());
  vdinv::CopyPdb(original, copy);
  bool unknownModel = false;
  for (const auto& entry : original.Devices) unknownModel |= entry.Model > kModelNone;
  Check(vdinv::CheckPdbModels(copy) == unknownModel);

  std::vector<vdinv::TTagInfo> tags = {
      host.Tag(1, "COMMLINK", vdinv::kString),  host.Tag(2, "DEVICELINK1", vdinv::kAnalog),
      host.Tag(3, "F1:3", vdinv::kAnalog),      host.Tag(4, "M5:9", vdinv::kAnalog),
      host.Tag(5, "E99:1", vdinv::kSwitch),     host.Tag(6, "F3", vdinv::kString),
      host.Tag(7, "CommErr1:", vdinv::kSwitch), host.Tag(8, "ENLOG", vdinv::kSwitch)};
  host.Init(tags, block);
  for (int poll = 0; poll < 3; ++poll) {
    host.Poll();
    host.CheckRequests();
    host.clock.Advance(checked.OutTime + 1u);
  }
  host.Free();
  return 0;
}
