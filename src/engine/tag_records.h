// The tag table: the records of the accepted host tags in table order, the map from host
// identifiers to positions, the positions of the tags the link status writes, the tags touched
// since the last report, and the per-tag lines of the run report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/tag_item.h"

namespace vdinv::engine {

class TagRecords {
 public:
  using Records = std::vector<std::unique_ptr<TTagItem>>;

  const Records& All() const { return records_; }
  size_t Size() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  // The record at a table position, or null.
  TTagItem* At(int32_t position) const {
    if (position < 0 || static_cast<size_t>(position) >= records_.size()) return nullptr;
    return records_[static_cast<size_t>(position)].get();
  }
  // The record of a host identifier, or null when the identifier was not handed over (or its
  // tag was rejected).
  TTagItem* ById(uint32_t tagId) const;
  // Positions of the status tags and CommErr tags, so that a finished exchange does not walk
  // the whole table.
  const std::vector<int32_t>& StatusPositions() const { return statusPositions_; }

  // Room for this many more identifiers.
  void Reserve(size_t more) { ids_.reserve(ids_.size() + more); }
  // Appends a record at the next position (its ListIndex) under its host identifier; a status
  // tag's position is remembered.
  TTagItem& Append(std::unique_ptr<TTagItem> tag, bool statusTag);
  // Forgets every record, identifier, status position and touched tag.
  void Clear();

  // Marks a record of the table as changed since the last report (a record that is not the
  // table's own is ignored).
  void Touch(const TTagItem& tag) {
    const int32_t position = tag.ListIndex;
    if (At(position) != &tag) return;
    const auto at = static_cast<size_t>(position);
    if (touchedFlags_[at] != 0) return;
    touched_.push_back(position);
    touchedFlags_[at] = 1;
  }
  // Hands report every tag among the first `limit` whose Value or Quality differs from what was
  // last reported, in table order, after taking both as reported and stamping LastReportTick
  // with now; looks only at the tags touched since the last walk (an idle poll touched none).
  void ReportChanged(size_t limit, uint32_t now,
                     const std::function<void(const TTagItem&)>& report) {
    if (!touched_.empty()) ReportTouched(limit, now, report);
  }

  // One run-report line per tag: address, mean read period over the run time, failure rates.
  std::vector<std::string> ReportTexts(uint32_t runTime) const;

 private:
  void ReportTouched(size_t limit, uint32_t now,
                     const std::function<void(const TTagItem&)>& report);

  Records records_;
  // Host identifier -> position (a map: identifiers may be sparse and large).
  std::unordered_map<uint32_t, int32_t> ids_;
  std::vector<int32_t> statusPositions_;
  // Positions of the tags touched since the last walk, and a flag per position (grown with the
  // records, so that touching a tag never resizes it).
  std::vector<int32_t> touched_;
  std::vector<uint8_t> touchedFlags_;
};

}  // namespace vdinv::engine
