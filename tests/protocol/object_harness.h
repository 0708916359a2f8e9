// A driver object whose tag table and lists a test fills by hand, so that commands can be made
// from tags with chosen address fields, without the address parsers.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "common/device_types.h"
#include "engine/base_object.h"
#include "engine/tag_item.h"
#include "platform/text.h"

namespace vdinv::test {

template <class Base>
class Harness : public Base {
 public:
  using Base::Base;

  // Appends a tag to the table (its ListIndex is its position) and returns it.
  TTagItem& AddTag(TTagItem tag) {
    return this->tags_.Append(std::make_unique<TTagItem>(std::move(tag)), false);
  }
  // Marks the table as built, so that Refresh and Stop act.
  void Start() { this->Running_ = true; }
  engine::CommandList& List() { return this->CommandList_; }
  engine::CommandList& Queue() { return this->writes_.Commands(); }
};

// A tag of station devId with the given type and function code; names and addresses in UTF-8.
inline TTagItem MakeTag(int32_t typeIndex, int32_t devId, int32_t chId, uint8_t dataType = 0,
                        uint32_t scanPeriod = 1000, TagValue value = TagValue::Integer(0),
                        const std::string& name = "tag", const std::string& address = "") {
  TTagItem tag;
  tag.TagName = platform::Utf8ToGbk(name);
  tag.TagAddr = platform::Utf8ToGbk(address);
  tag.TypeIndex = typeIndex;
  if (ValidType(typeIndex)) tag.TypeText = std::string(kTypePrefix[typeIndex]);
  tag.DevID = devId;
  tag.ChID = chId;
  tag.DataType = dataType;
  tag.ScanPeriod = scanPeriod;
  tag.Value = std::move(value);
  tag.ReportedValue = tag.Value;
  tag.SavedValue = tag.Value;
  tag.Writable = TypeWritable(typeIndex);
  return tag;
}

}  // namespace vdinv::test
