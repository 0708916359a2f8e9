#include "engine/schedule_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace vdinv::engine {
namespace {

using List = ScheduleIndex::List;

// The straightforward choice: walk every command in list order, as the scheduler did before it
// had an index. Returns the chosen position (npos when none) and the walk's "best".
ScheduleIndex::Choice WalkChoice(List& list, uint32_t now) {
  int32_t best = 1;
  size_t chosen = ScheduleIndex::npos;
  for (size_t p = 0; p < list.size(); ++p) {
    TCommandItem& command = *list[p];
    int64_t delay =
        static_cast<int32_t>(static_cast<uint32_t>(command.Interval) - now + command.LastRunTick);
    const int32_t failures = command.FailCount;
    if (failures > 3 && failures < 10) {
      delay += int64_t{failures} * command.Interval;
    } else if (failures > 10) {
      if (static_cast<int32_t>(now - command.LastRunTick) > 60000) {
        command.FailCount = 0;
      } else {
        delay += int64_t{10} * command.Interval;
      }
    }
    command.DelayTick = static_cast<int32_t>(std::clamp<int64_t>(
        delay, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    if (command.DelayTick < best) {
      best = command.DelayTick;
      if (best <= 0) chosen = p;
    }
  }
  return {chosen, best};
}

List RandomList(std::mt19937& rng, size_t n, uint32_t now) {
  List list;
  std::uniform_int_distribution<int32_t> interval(0, 5000);
  for (size_t i = 0; i < n; ++i) {
    auto command = std::make_unique<TCommandItem>();
    command->Interval = interval(rng);
    command->LastRunTick = now - static_cast<uint32_t>(command->Interval);
    list.push_back(std::move(command));
  }
  return list;
}

List Copy(const List& list) {
  List copy;
  for (const auto& c : list) {
    auto command = std::make_unique<TCommandItem>();
    command->Interval = c->Interval;
    command->LastRunTick = c->LastRunTick;
    command->FailCount = c->FailCount;
    copy.push_back(std::move(command));
  }
  return copy;
}

// A line whose exchanges end in a reply or a time-out at random, polled at random moments;
// both ways of choosing must agree on every choice and every failure count, across the tick's
// wrap-around.
TEST(ScheduleIndexDifferential, ChoosesWhatTheWalkChooses) {
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    std::mt19937 rng(seed);
    uint32_t now = seed % 2 == 0 ? 0xFFFF0000u : 1000u;
    const size_t n = 1 + rng() % 60;
    List walked = RandomList(rng, n, now);
    List indexed = Copy(walked);
    ScheduleIndex index;
    std::uniform_int_distribution<uint32_t> step(0, 3000);
    for (int round = 0; round < 4000; ++round) {
      now += step(rng) < 2900 ? step(rng) % 200 : step(rng) * 40;  // now and then a long pause
      ScheduleIndex::Choice expected = WalkChoice(walked, now);
      ScheduleIndex::Choice got = index.Choose(indexed, now);
      ASSERT_EQ(got.position, expected.position) << "seed " << seed << " round " << round;
      ASSERT_EQ(got.best, expected.best) << "seed " << seed << " round " << round;
      for (size_t p = 0; p < n; ++p) {
        ASSERT_EQ(indexed[p]->FailCount, walked[p]->FailCount) << round << " at " << p;
      }
      if (expected.position == ScheduleIndex::npos) continue;
      // The chosen command runs now; its exchange succeeds or times out.
      const size_t p = expected.position;
      const bool answered = rng() % 3 != 0;
      for (List* list : {&walked, &indexed}) {
        TCommandItem& command = *(*list)[p];
        command.LastRunTick = now;
        command.FailCount = answered ? 0 : command.FailCount + 2;
      }
      index.Changed(p);
    }
  }
}

TEST(ScheduleIndexDifferential, AFreshStartSetsEveryTimeLeft) {
  std::mt19937 rng(9);
  List walked = RandomList(rng, 30, 5000);
  for (auto& c : walked) c->FailCount = static_cast<int32_t>(rng() % 16);
  List indexed = Copy(walked);
  ScheduleIndex index;
  index.Choose(indexed, 7000);
  WalkChoice(walked, 7000);
  for (size_t p = 0; p < walked.size(); ++p) {
    EXPECT_EQ(indexed[p]->DelayTick, walked[p]->DelayTick) << p;
  }
}

// A host that stops polling for more than 2^31 ms (the machine suspended for weeks) finds
// its commands overdue when it comes back, whether the pause crosses the tick's wrap or not.
TEST(ScheduleIndex, CommandsAreDueAtOnceAfterAPauseOfMoreThanHalfTheTickRange) {
  for (uint32_t start : {1000u, 0xF0000000u}) {
    std::mt19937 rng(5);
    List list = RandomList(rng, 10, start);
    ScheduleIndex index;
    for (uint32_t now = start; now < start + 20000; now += 100) {
      const ScheduleIndex::Choice choice = index.Choose(list, now);
      if (choice.position == ScheduleIndex::npos) continue;
      list[choice.position]->LastRunTick = now;
      index.Changed(choice.position);
    }
    const uint32_t back = start + 20000 + 0x90000000u;
    const ScheduleIndex::Choice choice = index.Choose(list, back);
    ASSERT_NE(choice.position, ScheduleIndex::npos) << start;
    EXPECT_LT(choice.best, 0) << start;
  }
}

}  // namespace
}  // namespace vdinv::engine
