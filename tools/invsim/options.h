// The command line of invsim. Pure (no line, no threads) so that it can be tested on its own.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "invsim/simulator.h"

namespace vdinv::invsim {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // the line could not be opened or the simulator not started
  kExitUsage = 2,   // bad command line
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct StationSetting {
  int station = 0;
  Model model = Model::kG11S;
};

struct ValueSetting {
  int station = 0;
  FunctionCode function;
  int32_t value = 0;
};

struct CommandLine {
  bool help = false;
  SimulatorOptions simulator;
  std::vector<StationSetting> stations;  // never empty after parsing (station 0, G11S by default)
  std::vector<ValueSetting> values;
  std::string controlDir;  // the control channel's directory, or empty
};

// Parses the arguments after the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
// "N:MODEL", e.g. "1:G11S".
StationSetting ParseStation(std::string_view text);
// "N:GROUPCODE=VALUE", e.g. "1:F03=3000", "2:M09=-120", "1:F07=0x0BB8".
ValueSetting ParseValue(std::string_view text);

std::string HelpText();

}  // namespace vdinv::invsim
