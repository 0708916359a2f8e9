#include "platform/console.h"

namespace vdinv::platform {

// A terminal here takes the bytes as they are; the tools expect a UTF-8 locale.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  if (argc < 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

void UseUtf8Console() {}

}  // namespace vdinv::platform
