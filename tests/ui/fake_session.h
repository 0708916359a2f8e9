// A driver session for the presenters' tests: it answers what the test sets and records what
// it was asked. Starting it gives it the one tag it was started with. Its texts are GBK, as a
// driver's.
#pragma once

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/driver_session.h"
#include "platform/text.h"

namespace vdinv::test {

class FakeSession : public host::DriverSession {
 public:
  bool Start(void*, TTagInfo& tag, std::string& message) override {
    started.push_back(tag);
    running = true;
    TTagItem item;
    item.TagID = tag.TagID;
    item.TagAddr = std::string(tag.TagAddr, strnlen(tag.TagAddr, sizeof tag.TagAddr));
    item.DataType = tag.DataType;
    tags = {item};
    message = startMessage;
    return startOk;
  }
  bool Running() const override { return running; }
  void Release() override {
    running = false;
    ++releases;
  }
  void Stop() override { ++stops; }
  bool PortOpen() const override { return running && portOpen; }
  int32_t ScanTime() const override { return scanTime; }
  void Poll() override {
    ++polls;
    if (onPoll) onPoll(*this);
  }
  bool Write(uint32_t tagId, const TagValue& value) override {
    writes.emplace_back(tagId, value);
    return true;
  }
  bool SendRaw(const std::string& frame) override {
    if (!current) return false;
    current->request = frame;
    return true;
  }
  std::string TakeEvent() override { return std::exchange(event, {}); }
  std::vector<TTagItem> Tags() const override { return running ? tags : std::vector<TTagItem>(); }
  std::vector<std::string> Requests() const override { return requests; }
  std::optional<host::Exchange> Current() const override { return current; }
  std::string LastReply() const override { return lastReply; }
  std::string CheckAddress(void*, const std::string& address) override {
    checked.push_back(address);
    return normalised.empty() ? address : normalised;
  }
  std::string LogPath() const override { return logPath; }

  // A read of the first tag answered with the value.
  void Answer(const TagValue& value) {
    TTagItem& tag = tags.front();
    tag.Value = value;
    ++tag.ReadCount;
  }

  // What it answers.
  bool startOk = true;
  std::string startMessage = platform::Utf8ToGbk("Com1打开成功");
  bool portOpen = true;
  int32_t scanTime = 10;
  std::string event;
  std::vector<TTagItem> tags;
  std::vector<std::string> requests;
  std::optional<host::Exchange> current;
  std::string lastReply;
  std::string normalised;  // the checked address; empty: as typed
  std::string logPath;
  std::function<void(FakeSession&)> onPoll;
  // What it was asked.
  bool running = false;
  std::vector<TTagInfo> started;
  std::vector<std::pair<uint32_t, TagValue>> writes;
  std::vector<std::string> checked;
  int polls = 0;
  int stops = 0;
  int releases = 0;
};

}  // namespace vdinv::test
