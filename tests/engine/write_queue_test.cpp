#include "engine/write_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace vdinv::engine {
namespace {

// A write of the tag at a table position, carrying a value, queued at a tick.
CommandPtr Write(int32_t listIndex, int value = 0, uint32_t queued = 0) {
  auto command = std::make_unique<TCommandItem>();
  command->TagIndexes = {listIndex};
  command->WriteValues = {TagValue::Integer(value)};
  command->QueueTick = queued;
  return command;
}

// Queues a write; the command in the queue, or null when it was refused.
const TCommandItem* Queue(QueuedWrites& writes, CommandPtr command) {
  const TCommandItem* queued = command.get();
  return writes.Push(command) ? queued : nullptr;
}

std::vector<int32_t> Tags(const CommandList& list) {
  std::vector<int32_t> tags;
  for (const CommandPtr& c : list) tags.push_back(c ? c->TagIndexes.front() : -1);
  return tags;
}

TEST(QueuedWritesTest, TheQueueHoldsThreeHundredWritesAndLeavesTheNextWithTheCaller) {
  QueuedWrites writes;
  for (int i = 0; i < 300; ++i) ASSERT_NE(Queue(writes, Write(i)), nullptr);
  CommandPtr refused = Write(300);
  EXPECT_FALSE(writes.Push(refused));
  EXPECT_NE(refused, nullptr);
}

TEST(QueuedWritesTest, ANewerWriteTakesTheQueuedOnesOfItsTagExceptTheExecutingOne) {
  QueuedWrites writes;
  for (int32_t tag : {1, 2, 1, 1, 3}) Queue(writes, Write(tag, tag * 10));
  writes.Commands().insert(writes.Commands().begin() + 1, nullptr);
  const TCommandItem* current = writes.Commands()[3].get();
  CommandList taken = writes.TakeWritesOf(1, current, nullptr);
  EXPECT_THAT(Tags(taken), testing::ElementsAre(1, 1));
  EXPECT_THAT(Tags(writes.Commands()), testing::ElementsAre(-1, 2, 1, 3));
  EXPECT_EQ(writes.Commands()[2].get(), current);

  // A repeat of a queued value is found by tag and value.
  EXPECT_EQ(writes.Holding(2, TagValue::Integer(20)), writes.Commands()[1].get());
  EXPECT_EQ(writes.Holding(2, TagValue::Integer(21)), nullptr);
  EXPECT_EQ(writes.Holding(4, TagValue::Integer(20)), nullptr);
}

TEST(QueuedWritesTest, WritesExpireOldestFirstAcrossTheTickWrap) {
  constexpr uint32_t kStart = 0xFFFFF000u;
  struct Case {
    uint32_t now;
    std::vector<int32_t> expired;
  };
  // Queued at kStart, kStart + 5000 and kStart + 12000.
  const Case cases[] = {
      {kStart + 10000, {}},         // exactly the expiry time is not yet too old
      {kStart + 10001, {1}},        // across the wrap
      {kStart + 15001, {1, 2}},     //
      {kStart + 30001, {1, 2, 3}},  //
  };
  for (const Case& c : cases) {
    QueuedWrites writes;
    for (auto [tag, tick] : {std::pair{1, kStart}, {2, kStart + 5000}, {3, kStart + 12000}}) {
      Queue(writes, Write(tag, 0, tick));
    }
    EXPECT_EQ(Tags(writes.TakeExpired(c.now, nullptr, nullptr)), c.expired) << c.now;
    EXPECT_EQ(writes.Commands().size(), 3 - c.expired.size()) << c.now;
  }

  // The walk stops at a write that executes, however old, and takes empty entries.
  QueuedWrites writes;
  writes.Commands().push_back(nullptr);
  const TCommandItem* chain = Queue(writes, Write(1));
  Queue(writes, Write(2));
  EXPECT_THAT(Tags(writes.TakeExpired(50000, nullptr, chain)), testing::ElementsAre(-1));
  EXPECT_THAT(Tags(writes.Commands()), testing::ElementsAre(1, 2));
}

}  // namespace
}  // namespace vdinv::engine
