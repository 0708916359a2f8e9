#include "invsim/control.h"

#include <charconv>
#include <exception>
#include <sstream>
#include <vector>

#include "invsim/options.h"
#include "platform/files.h"

namespace vdinv::invsim {
namespace {

constexpr uint32_t kWatchIntervalMs = 10;

class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

uint32_t Number(std::string_view text, uint32_t max, std::string_view what) {
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) {
    throw CommandError(std::string(what) + " '" + std::string(text) + "' is not 0.." +
                       std::to_string(max));
  }
  return value;
}

int Station(std::string_view text) {
  return static_cast<int>(Number(text, kStationCount - 1, "station"));
}

// "N:CODE", e.g. "1:F03".
std::pair<int, FunctionCode> StationCode(std::string_view text) {
  const size_t colon = text.find(':');
  const std::optional<FunctionCode> fc =
      colon == std::string_view::npos ? std::nullopt : ParseFunctionCode(text.substr(colon + 1));
  if (!fc) throw CommandError("'" + std::string(text) + "' is not N:CODE (e.g. 1:F03)");
  return {Station(text.substr(0, colon)), *fc};
}

std::string Execute(Simulator& sim, const std::vector<std::string>& words) {
  const std::string& name = words.empty() ? std::string() : words[0];
  const size_t arguments = words.empty() ? 0 : words.size() - 1;
  auto expect = [&](size_t count, const char* form) {
    if (arguments != count) throw CommandError("usage: " + std::string(form));
  };
  if (name == "set") {
    expect(1, "set N:CODE=VALUE");
    const ValueSetting v = ParseValue(words[1]);
    sim.SetValue(v.station, v.function, v.value);
    return "ok";
  }
  if (name == "value") {
    expect(1, "value N:CODE");
    const auto [station, fc] = StationCode(words[1]);
    return "ok " + std::to_string(sim.Value(station, fc));
  }
  if (name == "silent" || name == "answer") {
    expect(1, "silent N | answer N");
    StationFaults faults;
    faults.silent = name == "silent";
    sim.SetFaults(Station(words[1]), faults);
    return "ok";
  }
  if (name == "replug") {
    expect(1, "replug MS");
    if (!sim.Replug(Number(words[1], 600000, "time"))) throw CommandError(sim.Error());
    return "ok";
  }
  if (name == "replies") {
    expect(0, "replies");
    return "ok " + std::to_string(sim.RepliesSent());
  }
  throw CommandError("unknown command '" + name + "'");
}

}  // namespace

std::string RunControlCommand(Simulator& sim, std::string_view command) {
  std::istringstream in{std::string(command)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  try {
    return Execute(sim, words);
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  }
}

ControlChannel::ControlChannel(Simulator& sim, std::string dir) : sim_(sim), dir_(std::move(dir)) {}

ControlChannel::~ControlChannel() {
  Stop();
}

bool ControlChannel::Start() {
  if (thread_.joinable()) return true;
  if (!platform::CreateDirectories(dir_)) return false;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void ControlChannel::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ControlChannel::Run() {
  uint64_t number = 1;
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const std::string command = ControlFile(dir_, number, "cmd");
    if (!platform::FileExists(command)) {
      // Answers left by an earlier run: the client numbers its commands after them.
      if (platform::FileExists(ControlFile(dir_, number, "ack"))) {
        ++number;
      } else {
        wake_.wait_for(lock, std::chrono::milliseconds(kWatchIntervalMs));
      }
      continue;
    }
    lock.unlock();
    const std::string text = platform::ReadWholeFile(command).value_or("");
    const std::string answer = RunControlCommand(sim_, text) + "\n";
    const std::string partial = ControlFile(dir_, number, "ack-partial");
    if (!platform::WriteWholeFile(partial, answer) ||
        !platform::RenameFile(partial, ControlFile(dir_, number, "ack"))) {
      platform::DeleteFile(partial);
    }
    // Only now, so that a client always finds the number taken by a command or an answer.
    platform::DeleteFile(command);
    ++number;
    lock.lock();
  }
}

}  // namespace vdinv::invsim
