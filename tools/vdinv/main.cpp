// vdinv: the command-line host of the driver module for service staff.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/console.h"
#include "vdinv/commands.h"
#include "vdinv/options.h"

int main(int argc, char** argv) {
  using namespace vdinv::tool;
  vdinv::platform::UseUtf8Console();
  const std::vector<std::string> args = vdinv::platform::ProgramArguments(argc, argv);
  Invocation inv;
  try {
    inv = ParseCommandLine(args);
  } catch (const UsageError& e) {
    std::cerr << "vdinv: " << e.what() << "\nTry 'vdinv --help'.\n";
    return kExitUsage;
  }
  if (inv.help) {
    std::cout << HelpText(inv.command, DefaultModulePath());
    return kExitOk;
  }
  try {
    switch (inv.command) {
      case Command::kInfo:
        return RunInfo(inv);
      case Command::kPdbNew:
        return RunPdbNew(inv);
      case Command::kPdbShow:
        return RunPdbShow(inv);
      case Command::kRun:
        return RunRun(inv);
      case Command::kWrite:
        return RunWrite(inv);
      case Command::kDemo:
        return RunDemo(inv);
      case Command::kAddrList:
        return RunAddrList(inv);
      case Command::kAddrCheck:
        return RunAddrCheck(inv);
      case Command::kTest:
        return RunTest(inv);
      case Command::kWizard:
        return RunWizard(inv);
      case Command::kTool:
      case Command::kPdb:
      case Command::kAddr:
        break;
    }
  } catch (const std::exception& e) {
    std::cerr << "vdinv: " << e.what() << "\n";
    return kExitFailed;
  }
  std::cout << HelpText(inv.command, DefaultModulePath());
  return kExitUsage;
}
