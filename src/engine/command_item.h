// One request/reply exchange with one device: its frame, the tags it serves and its
// scheduling fields. A command owns its chain of follow-on frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/tag_value.h"

namespace vdinv {

// Flag values of TCommandItem::Command.
constexpr uint16_t kCommandServesTags = 2;
constexpr uint16_t kCommandOneShot = 8;

// Whether a command is tried again after a time-out.
enum class CommandKind : uint8_t {
  kWrite = 1,  // a write with tries left: tried again
  kRead = 2,   // a read, or a write on its last try: not tried again
};

struct TCommandItem {
  uint16_t Command = kCommandServesTags;
  CommandKind Kind = CommandKind::kRead;
  std::vector<int32_t> TagIndexes;
  std::string AskFrame;
  std::string AnswerHead;
  std::string TypeText;
  int32_t TypeIndex = -1;
  bool IsWrite = false;
  int32_t StartAddr = 0;
  int32_t EndAddr = 0;
  int32_t RangeHigh = 0;
  int32_t RangeLow = 0;
  bool Active = false;
  // What was received since the request went out: the last part only on a line that sent
  // more than the serial port keeps, ReplyCut characters having come before it.
  std::string Reply;
  uint64_t ReplyCut = 0;
  int32_t DevID = -1;
  int32_t Interval = 0;
  int32_t DelayTick = 0;
  uint32_t LastRunTick = 0;
  int32_t WriteWord = 0;
  TagValue Value;
  std::unique_ptr<TCommandItem> Next;
  uint32_t QueueTick = 0;
  std::vector<TagValue> WriteValues;
  int32_t FailCount = 0;
  // Identity of the record for the protocol layer's grouping index: 0 until the index first
  // sees the record, then a number no other record of the process ever gets.
  uint64_t GroupSerial = 0;

  // Releases the chain of follow-on frames from its end, so that a long chain never recurses.
  ~TCommandItem();
};

}  // namespace vdinv
