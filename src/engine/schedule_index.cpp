#include "engine/schedule_index.h"

#include <algorithm>
#include <limits>

namespace vdinv::engine {
namespace {

// After this long without being tried, a failing command's count starts again.
constexpr int64_t kFailResetMs = 60000;
// The 64-bit tick count starts here, far from both ends.
constexpr int64_t kEpoch = int64_t{1} << 40;

int32_t Clamp(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void ScheduleIndex::Rebuild(List& list, uint32_t now) {
  list_ = &list;
  size_ = list.size();
  now_ = kEpoch;
  lastTick_ = now;
  entries_.assign(size_, Entry());
  due_.clear();
  restarts_.clear();
  changed_.clear();
  for (size_t p = 0; p < size_; ++p) {
    Key(list, p);
    // A fresh start computes every command's time left, as the walk does.
    if (entries_[p].keyed) list[p]->DelayTick = Clamp(entries_[p].due - now_);
  }
  valid_ = true;
}

void ScheduleIndex::Key(List& list, size_t position) {
  Entry& entry = entries_[position];
  if (!list[position]) return;
  TCommandItem& command = *list[position];
  // The time the command last ran, on the 64-bit count. A command last ran at a tick already
  // seen, so the unsigned difference is the time since, even when it is more than 2^31 ms.
  const int64_t ran = now_ - int64_t{static_cast<uint32_t>(lastTick_ - command.LastRunTick)};
  const int64_t interval = command.Interval;
  const int32_t failures = command.FailCount;
  entry.restart = -1;
  if (failures > 3 && failures < 10) {
    entry.due = ran + interval + failures * interval;
  } else if (failures > 10) {
    if (now_ - ran > kFailResetMs) {
      command.FailCount = 0;
      entry.due = ran + interval;
    } else {
      entry.due = ran + interval + 10 * interval;
      entry.restart = ran + kFailResetMs + 1;
      restarts_.insert({entry.restart, position});
    }
  } else {
    entry.due = ran + interval;
  }
  due_.insert({entry.due, position});
  entry.keyed = true;
}

void ScheduleIndex::Unkey(size_t position) {
  Entry& entry = entries_[position];
  if (!entry.keyed) return;
  due_.erase({entry.due, position});
  if (entry.restart >= 0) restarts_.erase({entry.restart, position});
  entry = Entry();
}

ScheduleIndex::Choice ScheduleIndex::Choose(List& list, uint32_t now) {
  if (!valid_ || list_ != &list || size_ != list.size()) {
    Rebuild(list, now);
  } else {
    // The tick only goes forward: a host that stopped polling for more than 2^31 ms (a
    // suspended machine) finds every command overdue, not due weeks later.
    now_ += int64_t{static_cast<uint32_t>(now - lastTick_)};
    lastTick_ = now;
    for (size_t position : changed_) {
      if (position >= size_) continue;
      Unkey(position);
      Key(list, position);
    }
    changed_.clear();
  }
  // Failing commands untried for more than a minute start their count again.
  while (!restarts_.empty() && restarts_.begin()->first <= now_) {
    const size_t position = restarts_.begin()->second;
    Unkey(position);
    list[position]->FailCount = 0;
    Key(list, position);
  }
  if (due_.empty() || due_.begin()->first > now_) return {npos, 1};
  const auto [due, position] = *due_.begin();
  const int32_t delay = Clamp(due - now_);
  list[position]->DelayTick = delay;
  return {position, delay};
}

}  // namespace vdinv::engine
