#include "engine/write_queue.h"

#include <algorithm>
#include <iterator>

namespace vdinv::engine {
namespace {

bool WritesTag(const TCommandItem* command, int32_t listIndex) {
  return command != nullptr && !command->TagIndexes.empty() &&
         command->TagIndexes.front() == listIndex;
}

}  // namespace

void QueuedWrites::Clear() {
  queue_.clear();
  executing_.reset();
}

const TCommandItem* QueuedWrites::Holding(int32_t listIndex, const TagValue& value) const {
  for (const CommandPtr& queued : queue_) {
    if (!WritesTag(queued.get(), listIndex)) continue;
    if (!queued->WriteValues.empty() && queued->WriteValues.front() == value) return queued.get();
  }
  return nullptr;
}

CommandList QueuedWrites::TakeWritesOf(int32_t listIndex, const TCommandItem* current,
                                       const TCommandItem* chain) {
  CommandList taken;
  for (auto it = queue_.begin(); it != queue_.end();) {
    TCommandItem* queued = it->get();
    if (!WritesTag(queued, listIndex) || queued == current || queued == chain) {
      ++it;
      continue;
    }
    taken.push_back(std::move(*it));
    it = queue_.erase(it);
  }
  return taken;
}

bool QueuedWrites::Push(CommandPtr& command) {
  if (queue_.size() >= kCapacity) return false;
  queue_.push_back(std::move(command));
  return true;
}

CommandList QueuedWrites::TakeExpired(uint32_t now, const TCommandItem* current,
                                      const TCommandItem* chain) {
  auto end = queue_.begin();
  for (; end != queue_.end(); ++end) {
    const TCommandItem* head = end->get();
    if (head != nullptr &&
        (now - head->QueueTick <= kExpiryMs || head == current || head == chain)) {
      break;
    }
  }
  CommandList taken(std::make_move_iterator(queue_.begin()), std::make_move_iterator(end));
  queue_.erase(queue_.begin(), end);
  return taken;
}

TCommandItem* QueuedWrites::DropEmptyHead() {
  auto first =
      std::find_if(queue_.begin(), queue_.end(), [](const CommandPtr& c) { return c != nullptr; });
  queue_.erase(queue_.begin(), first);
  return queue_.empty() ? nullptr : queue_.front().get();
}

TCommandItem* QueuedWrites::StartHead() {
  if (Head() == nullptr) return nullptr;
  executing_ = std::move(queue_.front());
  queue_.erase(queue_.begin());
  return executing_.get();
}

bool QueuedWrites::Executes(const TCommandItem* frame) const {
  for (const TCommandItem* c = executing_.get(); c != nullptr; c = c->Next.get()) {
    if (c == frame) return true;
  }
  return false;
}

}  // namespace vdinv::engine
