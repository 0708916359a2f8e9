// Grouping of tags into read commands: the rules, and the fast grouping checked against the
// plain walk over the list on random workloads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "protocol/dll_object.h"
#include "protocol/grouping_reference.h"
#include "protocol/object_harness.h"
#include "support/engine_fixture.h"

namespace vdinv::protocol {
namespace {

using ::testing::ElementsAre;
using Object = test::Harness<TDLLObject>;

// The same object with the plain walk in place of the fast grouping.
class ReferenceObject : public Object {
 public:
  using Object::Object;
  bool NeedCreatCommand(engine::CommandList& list, TTagItem& tag, bool isWrite) override {
    if (isWrite) return Object::NeedCreatCommand(list, tag, true);
    return test::ReferenceNeedReadCommand(*this, list, tag);
  }
};

class GroupingTest : public test::EngineFixture {
 protected:
  GroupingTest() { block = Block({{1, kModelG11S}, {2, kModelP11S}}); }

  // Builds the read commands of the tags as a run does.
  void Run(Object& object, const std::vector<TTagItem>& tags) {
    object.IniParm(&block);
    for (const TTagItem& tag : tags) object.AddTag(tag);
    object.Start();
    object.Refresh();
  }

  TDevParmBlock block;
};

TEST_F(GroupingTest, TagsShareACommandOnlyWhenTheirFramesAreEqual) {
  Object object(Environment(), true);
  Run(object, {test::MakeTag(kTypeF, 1, 3, kAnalog, 1000), test::MakeTag(kTypeF, 1, 4),
               test::MakeTag(kTypeF, 1, 3, kSwitch, 250), test::MakeTag(kTypeF, 2, 3),
               test::MakeTag(kTypeE, 1, 3), test::MakeTag(kTypeF, 1, 3, kString, 500)});
  const engine::CommandList& list = object.Commands();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_THAT(list[0]->TagIndexes, ElementsAre(0, 2, 5));
  EXPECT_EQ(list[0]->Interval, 250);
  EXPECT_THAT(list[1]->TagIndexes, ElementsAre(1));
  EXPECT_THAT(list[2]->TagIndexes, ElementsAre(3));
  EXPECT_THAT(list[3]->TagIndexes, ElementsAre(4));
  for (const auto& command : list) {
    EXPECT_TRUE(command->Active);
    EXPECT_EQ(command->StartAddr, command->EndAddr);
  }
  EXPECT_EQ(list[1]->StartAddr, 4);
  // Status and read-only "CommErr" tags get no read command; monitored values ("M") do.
  Object other(Environment(), true);
  Run(other, {test::MakeTag(kTypeCommErr, 1, -1), test::MakeTag(kTypeM, 1, 8)});
  ASSERT_EQ(other.Commands().size(), 1u);
  EXPECT_EQ(other.Commands()[0]->TypeIndex, kTypeM);
}

TEST_F(GroupingTest, AddressesInEitherSpellingShareOneCommand) {
  Object object(Environment(), true);
  std::vector<TTagInfo> infos = {Tag(1, "a", "F1:3", kAnalog, 1000),
                                 Tag(2, "b", "f1：3", kAnalog, 400), Tag(3, "c", "F1:4", kAnalog),
                                 Tag(4, "d", "F2:3", kAnalog)};
  engine::TagInfoList list;
  for (const TTagInfo& info : infos) list.push_back(&info);
  ASSERT_TRUE(object.IniDLLObj(&block, list));
  const engine::CommandList& commands = object.Commands();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_THAT(commands[0]->TagIndexes, ElementsAre(0, 1));
  EXPECT_EQ(commands[0]->Interval, 400);
  EXPECT_EQ(commands[0]->AskFrame,
            "\x01"
            "01\x05RF03 0000\x03"
            "44");
  EXPECT_THAT(commands[1]->TagIndexes, ElementsAre(2));
  EXPECT_THAT(commands[2]->TagIndexes, ElementsAre(3));
}

TEST_F(GroupingTest, NewCommandsAreDueAtOnceAndWritesAheadOfThem) {
  clock.SetTick(5000);
  Object object(Environment(), true);
  object.IniParm(&block);
  TTagItem& a = object.AddTag(test::MakeTag(kTypeF, 1, 3, kAnalog, 700));
  object.List().push_back(object.CreatCommand(a, object.List(), false));
  EXPECT_EQ(object.List()[0]->LastRunTick, 4300u);
  EXPECT_EQ(object.List()[0]->Command, 2);
  EXPECT_FALSE(object.List()[0]->Active);
  // A period beyond the signed range stays a (long) read period.
  TTagItem& slow = object.AddTag(test::MakeTag(kTypeF, 1, 4, kAnalog, 4000000000u));
  object.List().push_back(object.CreatCommand(slow, object.List(), false));
  EXPECT_EQ(object.List()[1]->Interval, 2147483647);

  engine::CommandPtr write = object.CreatCommand(a, object.List(), true);
  ASSERT_TRUE(write);
  EXPECT_EQ(write->Interval, -20);
  EXPECT_EQ(write->LastRunTick, 5000u);
  EXPECT_EQ(write->Command, 11);
  EXPECT_EQ(write->Kind, CommandKind::kWrite);
  EXPECT_TRUE(write->Active);
  EXPECT_TRUE(write->IsWrite);
  // The write left the read list alone.
  EXPECT_THAT(object.List()[0]->TagIndexes, ElementsAre(0));
}

// ---- The fast grouping against the plain walk ----------------------------------------------

void ExpectSameCommand(const TCommandItem& fast, const TCommandItem& reference, size_t at) {
  SCOPED_TRACE("command " + std::to_string(at));
  EXPECT_EQ(fast.TagIndexes, reference.TagIndexes);
  EXPECT_EQ(fast.Interval, reference.Interval);
  EXPECT_EQ(fast.StartAddr, reference.StartAddr);
  EXPECT_EQ(fast.EndAddr, reference.EndAddr);
  EXPECT_EQ(fast.RangeHigh, reference.RangeHigh);
  EXPECT_EQ(fast.RangeLow, reference.RangeLow);
  EXPECT_EQ(fast.AskFrame, reference.AskFrame);
  EXPECT_EQ(fast.AnswerHead, reference.AnswerHead);
  EXPECT_EQ(fast.DevID, reference.DevID);
  EXPECT_EQ(fast.TypeIndex, reference.TypeIndex);
  EXPECT_EQ(fast.Active, reference.Active);
  EXPECT_EQ(fast.LastRunTick, reference.LastRunTick);
  EXPECT_EQ(fast.WriteWord, reference.WriteWord);
  EXPECT_EQ(fast.Command, reference.Command);
}

void ExpectSameList(const engine::CommandList& fast, const engine::CommandList& reference) {
  ASSERT_EQ(fast.size(), reference.size());
  for (size_t i = 0; i < fast.size(); ++i) {
    ASSERT_EQ(fast[i] == nullptr, reference[i] == nullptr);
    if (fast[i]) ExpectSameCommand(*fast[i], *reference[i], i);
  }
}

// Random tags: a few stations (some beyond 99, some unknown), every type including "M" and
// "CommErr" and the unknown type, few function codes so that many tags share a frame, all data
// types and assorted scan periods.
std::vector<TTagItem> RandomTags(std::mt19937& random, size_t count) {
  const uint32_t periods[] = {0, 100, 250, 500, 1000, 1000, 2000, 4000000000u};
  std::vector<TTagItem> tags;
  for (size_t i = 0; i < count; ++i) {
    int32_t station = static_cast<int32_t>(random() % 12);
    if (random() % 20 == 0) station = 100 + static_cast<int32_t>(random() % 3);
    if (random() % 50 == 0) station = -1;
    int32_t type = static_cast<int32_t>(random() % 11) - 1;
    int32_t code = type == kTypeCommErr ? -1 : static_cast<int32_t>(random() % 10);
    if (random() % 40 == 0) code = 100 + static_cast<int32_t>(random() % 3);
    auto dataType = static_cast<uint8_t>(random() % 3);
    TagValue value = dataType == kString ? TagValue::String(random() % 2 ? "1" : "0")
                     : dataType == kSwitch
                         ? TagValue::Boolean(random() % 2 != 0)
                         : TagValue::Double(static_cast<double>(random() % 200000) / 4 - 1000);
    tags.push_back(test::MakeTag(type, station, code, dataType, periods[random() % 8], value));
    tags.back().BitID = static_cast<int32_t>(random() % 18) - 1;
  }
  return tags;
}

TEST_F(GroupingTest, FastGroupingMatchesThePlainWalkOverARun) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<TTagItem> tags = RandomTags(random, 3000);
    Object fast(Environment(), true);
    ReferenceObject reference(Environment(), true);
    Run(fast, tags);
    Run(reference, tags);
    ExpectSameList(fast.Commands(), reference.Commands());
    EXPECT_GT(fast.Commands().size(), 100u);
    // A second refresh of the same object groups the same way again.
    fast.Refresh();
    ExpectSameList(fast.Commands(), reference.Commands());
  }
}

// The list is a caller's and changes between calls in the ways lists change: writes made
// against it, commands dropped from its end, ranges widened and the list handed over as
// another list object or with other contents, emptied, a second command with a frame already
// present. Tags are asked about directly, whatever their type.
TEST_F(GroupingTest, FastGroupingMatchesThePlainWalkOnChangingLists) {
  std::mt19937 random(7);
  std::vector<TTagItem> tags = RandomTags(random, 4000);
  Object fast(Environment(), true);
  ReferenceObject reference(Environment(), true);
  fast.IniParm(&block);
  reference.IniParm(&block);
  for (const TTagItem& tag : tags) {
    fast.AddTag(tag);
    reference.AddTag(tag);
  }
  engine::CommandList fastLists[2];
  engine::CommandList referenceLists[2];
  int current = 0;
  size_t longest = 0;
  for (size_t i = 0; i < tags.size(); ++i) {
    engine::CommandList& fastList = fastLists[current];
    engine::CommandList& referenceList = referenceLists[current];
    const uint32_t action = random() % 100;
    if (action < 8) {
      // A write against the list: not added to it, but its Interval depends on its length.
      engine::CommandPtr a = fast.CreatCommand(*fast.Tags()[i], fastList, true);
      engine::CommandPtr b = reference.CreatCommand(*reference.Tags()[i], referenceList, true);
      ASSERT_EQ(a == nullptr, b == nullptr);
      if (a) ExpectSameCommand(*a, *b, i);
      EXPECT_EQ(fast.Tags()[i]->Value, reference.Tags()[i]->Value);
      continue;
    }
    if (action < 9 && !fastList.empty()) {
      fastList.pop_back();
      referenceList.pop_back();
    } else if (action < 12 && !fastList.empty()) {
      // Widen a command's range in place, then hand over the list as another one.
      size_t at = random() % fastList.size();
      int32_t spread = static_cast<int32_t>(random() % 4);
      for (engine::CommandList* list : {&fastList, &referenceList}) {
        TCommandItem& command = *(*list)[at];
        command.StartAddr -= spread;
        command.EndAddr += spread;
      }
      if (random() % 2 == 0) {
        current = 1 - current;  // the other list object
      } else {
        std::swap(fastLists[0], fastLists[1]);  // other contents in the same list object
        std::swap(referenceLists[0], referenceLists[1]);
      }
    } else if (action == 12 && random() % 8 == 0) {
      fastList.clear();
      referenceList.clear();
    } else if (action < 15) {
      // A caller's list may hold a second command with a frame already present.
      size_t j = random() % (i + 1);
      engine::CommandList none;
      engine::CommandPtr a = fast.CreatCommand(*fast.Tags()[j], none, false);
      engine::CommandPtr b = reference.CreatCommand(*reference.Tags()[j], none, false);
      if (a && b) {
        fastList.push_back(std::move(a));
        referenceList.push_back(std::move(b));
      }
    }
    engine::CommandList& fastNow = fastLists[current];
    engine::CommandList& referenceNow = referenceLists[current];
    engine::CommandPtr a = fast.CreatCommand(*fast.Tags()[i], fastNow, false);
    engine::CommandPtr b = reference.CreatCommand(*reference.Tags()[i], referenceNow, false);
    ASSERT_EQ(a == nullptr, b == nullptr) << "tag " << i;
    if (a) {
      fastNow.push_back(std::move(a));
      referenceNow.push_back(std::move(b));
    }
    longest = std::max(longest, fastNow.size());
    if (i % 100 == 0) ExpectSameList(fastNow, referenceNow);
  }
  ExpectSameList(fastLists[current], referenceLists[current]);
  EXPECT_GT(longest, 200u);
}

}  // namespace
}  // namespace vdinv::protocol
