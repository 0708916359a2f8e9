// A path of the Linux side as a Windows program under Wine names it: Wine's drive Z: is the
// Linux root. Any other path stays as it is.
#pragma once

#include <string>

namespace vdinv::test {

inline std::string WindowsPath(std::string path) {
  if (path.empty() || path[0] != '/') return path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return "Z:" + path;
}

}  // namespace vdinv::test
