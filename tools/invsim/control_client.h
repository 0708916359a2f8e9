// The program's side of the simulator's control channel (invsim/control.h describes the files
// and the commands). It needs nothing but the platform's file functions, so a Windows test
// program builds it as well.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::invsim {

// The command file "n.cmd" or answer file "n.ack" in dir.
std::string ControlFile(const std::string& dir, uint64_t number, std::string_view kind);

class ControlClient {
 public:
  explicit ControlClient(std::string dir) : dir_(std::move(dir)) {}
  // Hands the command over without waiting; its number, or nothing when it cannot be written.
  std::optional<uint64_t> Post(std::string_view command);
  // The answer to command number n, or nothing when none came within timeoutMs.
  std::optional<std::string> Answer(uint64_t number, uint32_t timeoutMs) const;
  // Post and Answer; "error: ..." when the command could not be handed over or went
  // unanswered.
  std::string Send(std::string_view command, uint32_t timeoutMs = 5000);

 private:
  std::string dir_;
};

}  // namespace vdinv::invsim
