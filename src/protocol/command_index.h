// An index over a list of read commands that finds, without walking the list, the first
// command of a device with a given request frame and the commands whose address range may hold
// a function code. It follows one list at a time: a list that only grows at its end between
// two calls is caught up with its new commands; another list, a shorter one, or one whose
// first or last indexed command is no longer the one indexed is indexed afresh. Code that
// rewrites the frame, device, type or range of commands already in the list calls Clear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/base_object.h"

namespace vdinv::protocol {

class CommandIndex {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  // Brings the index in step with the list.
  void Follow(const engine::CommandList& list);
  void Clear();

  // Position of the first command of the device whose frame is exactly this one, or npos.
  size_t FirstWithFrame(int32_t devId, const std::string& frame) const;

  // Calls visit(command) for every command up to position last (npos: all) of the device and
  // type whose range was a single address equal to addr, and for every one of them whose range
  // spans several addresses; in list order within each group. The caller checks the range.
  template <class Visit>
  void ForEachRangeCandidate(const engine::CommandList& list, int32_t devId, int32_t typeIndex,
                             int32_t addr, size_t last, Visit&& visit) const {
    auto each = [&](const std::vector<size_t>& positions) {
      for (size_t position : positions) {
        if (position > last) break;
        visit(*list[position]);
      }
    };
    if (auto it = points_.find({devId, typeIndex, addr}); it != points_.end()) each(it->second);
    if (auto it = wide_.find({devId, typeIndex, 0}); it != wide_.end()) each(it->second);
  }

 private:
  struct RangeKey {
    int32_t devId;
    int32_t typeIndex;
    int32_t addr;
    friend bool operator==(const RangeKey&, const RangeKey&) = default;
  };
  struct RangeKeyHash {
    size_t operator()(const RangeKey& key) const noexcept;
  };

  // (device, frame) as one text: the device number's four bytes, then the frame.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept;
  };
  static std::string FrameKey(int32_t devId, const std::string& frame);
  bool InStep(const engine::CommandList& list) const;
  void Add(const engine::CommandList& list, size_t position);

  const engine::CommandList* list_ = nullptr;
  // Per indexed position the GroupSerial of its command (0 for an empty entry).
  std::vector<uint64_t> serials_;
  // (device, frame) -> first position.
  std::unordered_map<std::string, size_t, TextHash, std::equal_to<>> frames_;
  // (device, type, address) -> positions of commands whose range is that single address.
  std::unordered_map<RangeKey, std::vector<size_t>, RangeKeyHash> points_;
  // (device, type, 0) -> positions of commands whose range spans several addresses.
  std::unordered_map<RangeKey, std::vector<size_t>, RangeKeyHash> wide_;
};

}  // namespace vdinv::protocol
