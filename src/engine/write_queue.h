// The queue of write commands waiting for the line, and the write taken from it while it
// executes. The queue is bounded, a newer write of a tag replaces the queued ones, and writes
// that waited too long leave it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/tag_value.h"
#include "engine/command_item.h"

namespace vdinv::engine {

using CommandPtr = std::unique_ptr<TCommandItem>;
using CommandList = std::vector<CommandPtr>;

class QueuedWrites {
 public:
  static constexpr size_t kCapacity = 300;
  // A queued write older than this is too old to be sent.
  static constexpr uint32_t kExpiryMs = 10000;

  const CommandList& Commands() const { return queue_; }
  CommandList& Commands() { return queue_; }
  // Empties the queue and drops the write in execution.
  void Clear();

  // The queued write of a tag (by its table position) that carries this value, or null.
  const TCommandItem* Holding(int32_t listIndex, const TagValue& value) const;
  // Takes the queued writes of a tag out of the queue, in queue order; the command in
  // execution and the head of its chain stay.
  CommandList TakeWritesOf(int32_t listIndex, const TCommandItem* current,
                           const TCommandItem* chain);
  // Appends a write unless the queue is full; false (the command stays with the caller) when
  // it is.
  bool Push(CommandPtr& command);
  // Takes out, from the head, the writes queued more than kExpiryMs before now (wrapping tick
  // arithmetic) up to the first that is not, or that executes.
  CommandList TakeExpired(uint32_t now, const TCommandItem* current, const TCommandItem* chain);

  // The first write of the queue, or null; empty entries ahead of it are dropped. Every poll
  // asks, so the usual cases are answered here.
  TCommandItem* Head() {
    if (queue_.empty()) return nullptr;
    return queue_.front() ? queue_.front().get() : DropEmptyHead();
  }
  // Moves the head write out of the queue into execution and returns it.
  TCommandItem* StartHead();
  // The write in execution (its first frame owns the others), or null.
  CommandPtr& Executing() { return executing_; }
  const CommandPtr& Executing() const { return executing_; }
  // True when the frame is one of the chain of the write in execution.
  bool Executes(const TCommandItem* frame) const;

 private:
  TCommandItem* DropEmptyHead();

  CommandList queue_;
  CommandPtr executing_;
};

}  // namespace vdinv::engine
