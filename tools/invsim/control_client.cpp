#include "invsim/control_client.h"

#include "platform/files.h"
#include "platform/interrupt.h"

namespace vdinv::invsim {

std::string ControlFile(const std::string& dir, uint64_t number, std::string_view kind) {
  return dir + "/" + std::to_string(number) + "." + std::string(kind);
}

std::optional<uint64_t> ControlClient::Post(std::string_view command) {
  // The next number neither sent nor answered: answers stay, so an earlier client's commands
  // are skipped.
  uint64_t number = 1;
  while (platform::FileExists(ControlFile(dir_, number, "ack")) ||
         platform::FileExists(ControlFile(dir_, number, "cmd"))) {
    ++number;
  }
  const std::string partial = ControlFile(dir_, number, "cmd-partial");
  if (!platform::WriteWholeFile(partial, std::string(command) + "\n") ||
      !platform::RenameFile(partial, ControlFile(dir_, number, "cmd"))) {
    platform::DeleteFile(partial);
    return std::nullopt;
  }
  return number;
}

std::optional<std::string> ControlClient::Answer(uint64_t number, uint32_t timeoutMs) const {
  constexpr uint32_t kStepMs = 5;
  const std::string path = ControlFile(dir_, number, "ack");
  for (uint32_t waited = 0;; waited += kStepMs) {
    if (std::optional<std::string> answer = platform::ReadWholeFile(path)) {
      while (!answer->empty() && (answer->back() == '\n' || answer->back() == '\r')) {
        answer->pop_back();
      }
      return answer;
    }
    if (waited >= timeoutMs) return std::nullopt;
    platform::SleepMilliseconds(kStepMs);
  }
}

std::string ControlClient::Send(std::string_view command, uint32_t timeoutMs) {
  const std::optional<uint64_t> number = Post(command);
  if (!number) return "error: the command could not be written to " + dir_;
  return Answer(*number, timeoutMs)
      .value_or("error: no answer within " + std::to_string(timeoutMs) + " ms");
}

}  // namespace vdinv::invsim
