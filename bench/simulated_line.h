// What the benchmarks of the built module share: a line of two inverters (station 1 a G11S,
// station 2 a P11S, each with its F03 and M09 set) on a pseudo-terminal behind the link
// "ttyINV" in a temporary directory of its own, where the host's files go as well; and the
// host thread that loads the built module and drives it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/records.h"
#include "invsim/simulator.h"
#include "platform/dynamic_library.h"
#include "support/module_host.h"
#include "support/temp_dir.h"

namespace vdinv::bench {

class SimulatedLine {
 public:
  // Replies paced at the baud rate (0: not paced), after the turnaround.
  SimulatedLine(uint32_t baud, uint32_t turnaroundMs)
      : sim_(invsim::SimulatorOptions{dir_.Path() + "ttyINV", {}, {baud, turnaroundMs}}) {
    sim_.SetStation(1, invsim::Model::kG11S);
    sim_.SetStation(2, invsim::Model::kP11S);
    sim_.SetValue(1, {'F', 3}, 3000);
    sim_.SetValue(1, {'M', 9}, -50);
    sim_.SetValue(2, {'F', 3}, 500);
    sim_.SetValue(2, {'M', 9}, 120);
  }
  ~SimulatedLine() { sim_.Stop(); }
  SimulatedLine(const SimulatedLine&) = delete;
  SimulatedLine& operator=(const SimulatedLine&) = delete;

  bool Start(std::string* error) {
    if (sim_.Start()) return true;
    *error = "simulator: " + sim_.Error();
    return false;
  }
  invsim::Simulator& sim() { return sim_; }
  const test::TempDir& dir() const { return dir_; }

 private:
  test::TempDir dir_;
  invsim::Simulator sim_;
};

// IniDriver with the tags on the block, its message released; false, with the reason in error,
// when it fails.
inline bool InitialiseDriver(test::ModuleExports& api, std::vector<TTagInfo>& tags,
                             std::vector<uint8_t>& block, std::string& error) {
  std::vector<TTagInfo*> list;
  for (TTagInfo& t : tags) list.push_back(&t);
  char* msg = nullptr;
  const bool ok = api.iniDriver(static_cast<int32_t>(list.size()), list.data(), block.data(), &msg);
  std::free(msg);
  if (!ok) error = "IniDriver failed";
  return ok;
}

// Loads the built module by path on a thread of its own, as a host does, finds its exports and
// runs initialise and then drive on that thread; the driver is freed and the module closed
// after. What goes wrong is said in error.
template <class Initialise, class Drive>
void RunHostThread(test::ModuleExports& api, std::string& error, Initialise initialise,
                   Drive drive) {
  std::thread([&] {
    platform::DynamicLibrary module;
    if (!module.Open(VDINV_MODULE_PATH, &error)) return;
    if (!api.Find(module)) {
      error = "an export is missing";
      return;
    }
    if (initialise()) {
      drive();
      api.freeDriver();
    }
    module.Close();
  }).join();
}

}  // namespace vdinv::bench
