// The commands of vdinv; each returns the tool's exit code.
#pragma once

#include <string>

#include "vdinv/options.h"

namespace vdinv::tool {

// The module loaded when --module is not given: $VDINV_MODULE, else the built module.
std::string DefaultModulePath();

int RunInfo(const Invocation& inv);
int RunPdbNew(const Invocation& inv);
int RunPdbShow(const Invocation& inv);
int RunRun(const Invocation& inv);
int RunWrite(const Invocation& inv);
int RunDemo(const Invocation& inv);
int RunAddrList(const Invocation& inv);
int RunAddrCheck(const Invocation& inv);
int RunTest(const Invocation& inv);
int RunWizard(const Invocation& inv);

}  // namespace vdinv::tool
