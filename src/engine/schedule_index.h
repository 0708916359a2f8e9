// The read commands ordered by when they fall due, so that choosing the next command does not
// walk the whole list on every host poll. It chooses exactly what a walk of the list in list
// order would choose: the most overdue command (its interval since it last ran, lengthened by
// its failure penalty), the first in list order among equally overdue ones, and it restarts
// the failure count of a command untried for more than a minute when the walk would.
//
// Ticks are followed as a 64-bit count from the wrapping 32-bit tick, so due times compare
// across the wrap as the walk's signed 32-bit differences do while no command waits longer
// than 2^31 ms. Beyond that the walk's signed difference would put a long-overdue command
// weeks into the future; the index takes the unsigned time since it ran, so it is due at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "engine/command_item.h"

namespace vdinv::engine {

class ScheduleIndex {
 public:
  using List = std::vector<std::unique_ptr<TCommandItem>>;

  struct Choice {
    size_t position;  // npos when nothing is due
    int32_t best;     // the chosen command's DelayTick, or 1 when nothing is due
  };
  static constexpr size_t npos = static_cast<size_t>(-1);

  // Forgets the list: the next Choose keys every command afresh. Needed whenever commands are
  // added, removed or changed other than through Changed.
  void Invalidate() { valid_ = false; }
  // The command at this position ran or its failure count changed.
  void Changed(size_t position) { changed_.push_back(position); }
  // The read command due at tick now, as the walk would choose it.
  Choice Choose(List& list, uint32_t now);

 private:
  struct Entry {
    bool keyed = false;
    int64_t due = 0;
    int64_t restart = -1;  // when the failure count starts again; -1 for none
  };
  void Rebuild(List& list, uint32_t now);
  void Key(List& list, size_t position);
  void Unkey(size_t position);

  bool valid_ = false;
  const List* list_ = nullptr;
  size_t size_ = 0;
  int64_t now_ = 0;
  uint32_t lastTick_ = 0;
  std::vector<Entry> entries_;
  std::set<std::pair<int64_t, size_t>> due_;
  std::set<std::pair<int64_t, size_t>> restarts_;
  std::vector<size_t> changed_;
};

}  // namespace vdinv::engine
