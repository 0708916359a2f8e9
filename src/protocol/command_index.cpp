#include "protocol/command_index.h"

#include <atomic>
#include <cstring>

namespace vdinv::protocol {
namespace {

// Serial numbers are never handed out twice, so a command that replaced another one at the
// same address is still told apart from it.
std::atomic<uint64_t> lastSerial{0};

uint64_t SerialOf(const engine::CommandPtr& command) {
  return command ? command->GroupSerial : 0;
}

}  // namespace

size_t CommandIndex::RangeKeyHash::operator()(const RangeKey& key) const noexcept {
  uint64_t h = static_cast<uint32_t>(key.devId);
  h = h * 0x9E3779B97F4A7C15ull + static_cast<uint32_t>(key.typeIndex);
  h = h * 0x9E3779B97F4A7C15ull + static_cast<uint32_t>(key.addr);
  return static_cast<size_t>(h ^ (h >> 29));
}

size_t CommandIndex::TextHash::operator()(std::string_view text) const noexcept {
  return std::hash<std::string_view>{}(text);
}

std::string CommandIndex::FrameKey(int32_t devId, const std::string& frame) {
  std::string key(reinterpret_cast<const char*>(&devId), sizeof devId);
  key += frame;
  return key;
}

void CommandIndex::Clear() {
  list_ = nullptr;
  serials_.clear();
  frames_.clear();
  points_.clear();
  wide_.clear();
}

bool CommandIndex::InStep(const engine::CommandList& list) const {
  if (&list != list_ || list.size() < serials_.size()) return false;
  if (serials_.empty()) return true;
  return SerialOf(list.front()) == serials_.front() &&
         SerialOf(list[serials_.size() - 1]) == serials_.back();
}

void CommandIndex::Follow(const engine::CommandList& list) {
  if (!InStep(list)) {
    Clear();
    list_ = &list;
  }
  for (size_t position = serials_.size(); position < list.size(); ++position) Add(list, position);
}

void CommandIndex::Add(const engine::CommandList& list, size_t position) {
  TCommandItem* command = list[position].get();
  if (command == nullptr) {
    serials_.push_back(0);
    return;
  }
  if (command->GroupSerial == 0) command->GroupSerial = ++lastSerial;
  serials_.push_back(command->GroupSerial);
  frames_.try_emplace(FrameKey(command->DevID, command->AskFrame), position);
  if (command->StartAddr == command->EndAddr) {
    points_[{command->DevID, command->TypeIndex, command->StartAddr}].push_back(position);
  } else {
    wide_[{command->DevID, command->TypeIndex, 0}].push_back(position);
  }
}

size_t CommandIndex::FirstWithFrame(int32_t devId, const std::string& frame) const {
  // The key is put together on the stack: a lookup allocates nothing for any frame that fits.
  char buffer[sizeof devId + 256];
  std::string heapKey;
  std::string_view key;
  if (frame.size() <= sizeof buffer - sizeof devId) {
    std::memcpy(buffer, &devId, sizeof devId);
    std::memcpy(buffer + sizeof devId, frame.data(), frame.size());
    key = std::string_view(buffer, sizeof devId + frame.size());
  } else {
    heapKey = FrameKey(devId, frame);
    key = heapKey;
  }
  auto it = frames_.find(key);
  return it == frames_.end() ? npos : it->second;
}

}  // namespace vdinv::protocol
