// invsim: a line of simulated inverters on a pseudo-terminal, for trying the driver without
// hardware.
#include <iostream>
#include <string>
#include <vector>

#include "invsim/control.h"
#include "invsim/options.h"
#include "invsim/simulator.h"
#include "platform/interrupt.h"

int main(int argc, char** argv) {
  using namespace vdinv::invsim;
  CommandLine cl;
  try {
    cl = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "invsim: " << e.what() << "\nTry 'invsim --help'.\n";
    return kExitUsage;
  }
  if (cl.help) {
    std::cout << HelpText();
    return kExitOk;
  }

  Simulator simulator(cl.simulator);
  for (const StationSetting& s : cl.stations) simulator.SetStation(s.station, s.model);
  for (const ValueSetting& v : cl.values) simulator.SetValue(v.station, v.function, v.value);
  vdinv::platform::InstallInterruptFlag();
  if (!simulator.Start()) {
    std::cerr << "invsim: " << simulator.Error() << "\n";
    return kExitFailed;
  }
  std::cout << (cl.simulator.devicePath.empty() ? "pseudo-terminal: " : "device: ")
            << simulator.Path() << "\n";
  if (!simulator.LinkPath().empty()) {
    std::cout << "link: " << simulator.LinkPath() << " -> " << simulator.Path() << "\n";
  }
  ControlChannel control(simulator, cl.controlDir);
  if (!cl.controlDir.empty()) {
    if (!control.Start()) {
      std::cerr << "invsim: the control directory " << cl.controlDir << " cannot be made\n";
      simulator.Stop();
      return kExitFailed;
    }
    std::cout << "control: " << cl.controlDir << "\n";
  }
  for (const StationSetting& s : cl.stations) {
    std::cout << "station " << s.station << ": " << ModelName(s.model) << "\n";
  }
  std::cout << "Ctrl-C ends." << std::endl;

  while (!vdinv::platform::Interrupted()) vdinv::platform::SleepMilliseconds(200);
  // The simulator first: a replug the channel waits for ends with it.
  simulator.Stop();
  control.Stop();
  std::cout << "requests " << simulator.RequestsSeen() << ", replies " << simulator.RepliesSent()
            << ", frames rejected " << simulator.FramesRejected() << "\n";
  return kExitOk;
}
