// Where the host is installed and where the driver keeps its log: the host's settings file, its
// installation directory, the current project's directory and the log path derived from them.
// The driver objects get the log path as data (engine::DriverEnvironment).
#pragma once

#include <string>
#include <string_view>

namespace vdinv::host {

// The host's settings file, looked for in its installation directory.
constexpr std::string_view kHostSettingsFile = "Ovatrex.ini";

// The host installation directory: the directory part of the registry value
// "Software\KORVI" PATH, trimmed of blanks; "../" when no "Ovatrex.ini" is found there. An empty
// directory part means the current directory when "Ovatrex.ini" lies there.
std::string HostInstallDir();

// The project directory part of a DefaultPROJECT text: everything up to and including the last
// "/" or "\" (both separate components), with every "\" separator written as "/"; empty when
// there is none.
std::string ProjectDirectoryOf(std::string_view defaultProject);

// The log file path: "<project dir>/Debug/VD_Inv.Log" where the project directory is that of
// the host's current project ("Ovatrex.ini", section WORKING, key DefaultPROJECT, found in the
// host installation directory or else in "../"); "./Debug/VD_Inv.Log" when no settings file
// is found. "VD_Inv" is the driver's module file name up to its first ".".
std::string ComputeLogPath();

}  // namespace vdinv::host
