#include "host/process_session.h"

#include "host/config_api.h"
#include "host/process.h"
#include "host/runtime_api.h"
#include "platform/text.h"

namespace vdinv::host {
namespace {

protocol::TDLLObject* Driver() {
  return Process::Instance().ThreadDriver();
}

// The host text as an owned string, the host's copy freed.
std::string Taken(char* text) {
  std::string owned = text != nullptr ? std::string(text) : std::string();
  platform::FreeHostText(text);
  return owned;
}

}  // namespace

bool ProcessSession::Start(void* block, TTagInfo& tag, std::string& message) {
  TTagInfo* tags[1] = {&tag};
  char* text = nullptr;
  const bool ok = IniDriver(1, tags, block, &text);
  message = Taken(text);
  return ok;
}

bool ProcessSession::Running() const {
  return Driver() != nullptr;
}

void ProcessSession::Release() {
  Process& process = Process::Instance();
  if (process.ThreadDriver() != nullptr) process.ReplaceThreadDriver(nullptr);
}

void ProcessSession::Stop() {
  if (protocol::TDLLObject* driver = Driver()) driver->Stop();
}

bool ProcessSession::PortOpen() const {
  const protocol::TDLLObject* driver = Driver();
  return driver != nullptr && driver->CommEnabled();
}

int32_t ProcessSession::ScanTime() const {
  const protocol::TDLLObject* driver = Driver();
  return driver != nullptr ? driver->ScanTime() : 0;
}

void ProcessSession::Poll() {
  if (protocol::TDLLObject* driver = Driver()) driver->ReadExecute();
}

bool ProcessSession::Write(uint32_t tagId, const TagValue& value) {
  protocol::TDLLObject* driver = Driver();
  return driver != nullptr && driver->WriteExecute(tagId, value);
}

bool ProcessSession::SendRaw(const std::string& frame) {
  protocol::TDLLObject* driver = Driver();
  return driver != nullptr && driver->ReplaceCurrentFrame(frame);
}

std::string ProcessSession::TakeEvent() {
  protocol::TDLLObject* driver = Driver();
  if (driver == nullptr) return {};
  std::string event = driver->sErrEvent();
  driver->WriteCommEvent(std::string());
  return event;
}

std::vector<TTagItem> ProcessSession::Tags() const {
  std::vector<TTagItem> tags;
  if (const protocol::TDLLObject* driver = Driver()) {
    for (const auto& tag : driver->Tags()) tags.push_back(*tag);
  }
  return tags;
}

std::vector<std::string> ProcessSession::Requests() const {
  std::vector<std::string> requests;
  if (const protocol::TDLLObject* driver = Driver()) {
    for (const auto& command : driver->Commands()) {
      if (command) requests.push_back(command->AskFrame);
    }
  }
  return requests;
}

std::optional<Exchange> ProcessSession::Current() const {
  const protocol::TDLLObject* driver = Driver();
  const TCommandItem* current = driver != nullptr ? driver->CurCommand() : nullptr;
  if (current == nullptr) return std::nullopt;
  return Exchange{current->AskFrame, current->Reply, current->IsWrite};
}

std::string ProcessSession::LastReply() const {
  const protocol::TDLLObject* driver = Driver();
  return driver != nullptr ? driver->LastReplyFrame() : std::string();
}

std::string ProcessSession::CheckAddress(void* block, const std::string& address) {
  std::string typed = address;
  char* text = typed.data();
  char* message = nullptr;
  TagEdAddr(block, &text, 0, &message);
  Taken(message);
  return Taken(text);
}

std::string ProcessSession::LogPath() const {
  return Process::Instance().LogPath();
}

}  // namespace vdinv::host
