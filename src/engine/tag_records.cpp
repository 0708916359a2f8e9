#include "engine/tag_records.h"

#include <algorithm>
#include <cmath>

#include "common/messages.h"

namespace vdinv::engine {
namespace {

// count / divisor rounded to the nearest integer; 0 when the divisor is 0 or the quotient is
// negative or undefined.
int64_t RoundedQuotient(double count, double divisor) {
  if (divisor == 0) return 0;
  double q = count / divisor;
  if (!std::isfinite(q) || q < 0) return 0;
  return std::llround(q);
}

}  // namespace

TTagItem* TagRecords::ById(uint32_t tagId) const {
  auto it = ids_.find(tagId);
  if (it == ids_.end()) return nullptr;
  TTagItem* tag = At(it->second);
  return tag != nullptr && tag->TagID == tagId ? tag : nullptr;
}

TTagItem& TagRecords::Append(std::unique_ptr<TTagItem> tag, bool statusTag) {
  const auto position = static_cast<int32_t>(records_.size());
  ids_[tag->TagID] = position;
  tag->ListIndex = position;
  if (statusTag) statusPositions_.push_back(position);
  records_.push_back(std::move(tag));
  touchedFlags_.push_back(0);
  return *records_.back();
}

void TagRecords::Clear() {
  records_.clear();
  ids_.clear();
  statusPositions_.clear();
  touched_.clear();
  touchedFlags_.clear();
}

void TagRecords::ReportTouched(size_t limit, uint32_t now,
                               const std::function<void(const TTagItem&)>& report) {
  limit = std::min(limit, records_.size());
  // Table order; a position left behind by an interrupted walk may appear twice.
  std::sort(touched_.begin(), touched_.end());
  touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
  size_t kept = 0;
  for (size_t i = 0; i < touched_.size(); ++i) {
    const auto at = static_cast<size_t>(touched_[i]);
    if (at >= limit) {
      // Beyond the reported part of the table the tag stays touched.
      if (at < records_.size()) {
        touched_[kept++] = touched_[i];
      } else if (at < touchedFlags_.size()) {
        touchedFlags_[at] = 0;
      }
      continue;
    }
    touchedFlags_[at] = 0;
    TTagItem& tag = *records_[at];
    if (tag.Value == tag.ReportedValue && tag.Quality == tag.ReportedQuality) continue;
    tag.ReportedValue = tag.Value;
    tag.ReportedQuality = tag.Quality;
    tag.LastReportTick = now;
    report(tag);
  }
  touched_.resize(kept);
}

std::vector<std::string> TagRecords::ReportTexts(uint32_t runTime) const {
  std::vector<std::string> lines;
  lines.reserve(records_.size());
  for (const auto& tag : records_) {
    std::string line =
        Text(Msg::ReportTag) + tag->TagName + Text(Msg::ReportAddress) + tag->TagAddr +
        Text(Msg::ReportScanPeriod) + std::to_string(RoundedQuotient(runTime, tag->ReadCount)) +
        Text(Msg::ReportReadFailRate) +
        std::to_string(RoundedQuotient(tag->ReadFailCount * 100.0, tag->ReadCount)) + "%";
    if (tag->Writable) {
      line += Text(Msg::ReportWriteTotal) + std::to_string(tag->WriteCount) +
              Text(Msg::ReportWriteFailRate) +
              std::to_string(RoundedQuotient(tag->WriteFailCount * 100.0, tag->WriteCount)) + "%";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace vdinv::engine
