// The command line and the console of the command-line tools, in UTF-8 on every system.
#pragma once

#include <string>
#include <vector>

namespace vdinv::platform {

// The program's arguments after its name, in UTF-8. Windows hands a program its arguments in
// the system's ANSI code page (936 on a Chinese system), so there they are taken from the wide
// command line; elsewhere they are the bytes given.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Makes the console show the UTF-8 that the tools write: a Windows console shows its own code
// page otherwise. Nothing to do elsewhere.
void UseUtf8Console();

}  // namespace vdinv::platform
