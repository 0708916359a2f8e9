// The read-command grouping rule written out plainly, as a walk over the whole list for every
// tag: the fast grouping of the protocol layer must give exactly its results.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/base_object.h"

namespace vdinv::test {

// For a read of tag: every command of the tag's device and type whose range holds the tag's
// function code widens its recorded range to it, in list order, until the first command of the
// device whose frame equals the tag's frame; that one takes the tag (false). True when no
// command has the frame.
template <class Object>
bool ReferenceNeedReadCommand(Object& object, engine::CommandList& list, TTagItem& tag) {
  TCommandItem scratch;
  const std::string frame = object.GetAskStr(scratch, tag, false);
  for (engine::CommandPtr& command : list) {
    if (!command || command->DevID != tag.DevID) continue;
    if (command->TypeIndex == tag.TypeIndex && command->StartAddr <= tag.ChID &&
        tag.ChID <= command->EndAddr) {
      command->RangeHigh = std::max(command->RangeHigh, tag.ChID);
      command->RangeLow = std::min(command->RangeLow, tag.ChID);
    }
    if (command->AskFrame == frame) {
      command->TagIndexes.push_back(tag.ListIndex);
      if (static_cast<int64_t>(tag.ScanPeriod) < command->Interval) {
        command->Interval = static_cast<int32_t>(tag.ScanPeriod);
      }
      return false;
    }
  }
  return true;
}

}  // namespace vdinv::test
