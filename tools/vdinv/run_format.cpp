#include "vdinv/run_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/short_string.h"
#include "platform/text.h"

namespace vdinv::tool {
namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Columns on a terminal: East Asian wide characters (from U+1100 on, near enough) take two.
size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
      code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    }
    width += code >= 0x1100 ? 2 : 1;
    i += length;
  }
  return width;
}

std::string Pad(const std::string& text, size_t width) {
  size_t shown = DisplayWidth(text);
  return text + std::string(width > shown ? width - shown : 0, ' ');
}

std::string ShortStringText(uint8_t length, const char* bytes) {
  // The length byte can never reach past the 255 bytes that follow it.
  return platform::GbkToUtf8(std::string_view(bytes, length));
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

constexpr int64_t kDaysFrom1899To1970 = 25569;
constexpr int64_t kMsPerDay = 86400000;

}  // namespace

BuiltTag BuildTag(uint32_t id, const TagArgument& argument, uint32_t scanPeriod) {
  BuiltTag tag;
  std::memset(&tag.info, 0, sizeof tag.info);
  tag.info.TagID = id;
  std::string name = "Tag" + std::to_string(id);
  std::memcpy(tag.info.TagName, name.data(), std::min(name.size(), sizeof tag.info.TagName - 1));

  std::string gbk = platform::Utf8ToGbk(argument.address);
  tag.replaced = platform::GbkToUtf8(gbk) != argument.address;
  std::string_view cut = GbkPrefix(gbk, sizeof tag.info.TagAddr - 1);
  tag.cut = cut.size() < gbk.size();
  tag.addressGbk = std::string(cut);
  std::memcpy(tag.info.TagAddr, cut.data(), cut.size());

  tag.info.DataType = argument.dataType;
  tag.info.ScanPeriod = scanPeriod;
  tag.info.InitValue.vt = 0;  // empty: no initial value
  return tag;
}

platform::LocalDateTime OleDateToLocal(double oleDate) {
  platform::LocalDateTime t;
  if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3e6) return t;
  // The whole part counts days (negative before 1899-12-30); the fraction is the time of day
  // whatever the sign, as OLE dates have it.
  double whole = std::trunc(oleDate);
  int64_t days = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(oleDate - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += oleDate < 0 ? -1 : 1;
  }
  CivilFromDays(days - kDaysFrom1899To1970, t.year, t.month, t.day);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

std::string FormatTimestamp(const platform::LocalDateTime& t) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  return buf;
}

const char* TypeName(uint8_t dataType) {
  switch (dataType) {
    case kAnalog:
      return "analog";
    case kSwitch:
      return "switch";
    case kString:
      return "string";
  }
  return "type?";
}

std::string FormatValue(const TTagValue& value) {
  char buf[64];
  switch (value.DataType) {
    case kAnalog:
      std::snprintf(buf, sizeof buf, "%.15g", value.Value.analog);
      return buf;
    case kSwitch:
      return std::to_string(value.Value.switchValue);
    case kString:
      if (value.Value.text == nullptr) return "\"\"";
      return "\"" + platform::GbkToUtf8(value.Value.text) + "\"";
  }
  std::string hex = "raw";
  for (uint8_t b : value.Value.raw) {
    std::snprintf(buf, sizeof buf, " %02x", b);
    hex += buf;
  }
  return hex;
}

std::string FormatAddrTemplates(const std::vector<TTagAddrTemplate>& templates) {
  std::vector<std::vector<std::string>> rows = {
      {"Prefix", "Description", "Type", "Access", "Lower", "Upper"}};
  for (const TTagAddrTemplate& t : templates) {
    std::string type = t.tagType == 0   ? "analog"
                       : t.tagType == 1 ? "switch"
                                        : "type " + std::to_string(t.tagType) + " (unknown)";
    std::string access = t.access == 2   ? "read-write"
                         : t.access == 0 ? "read-only"
                                         : "code " + std::to_string(t.access) + " (unknown)";
    rows.push_back({ShortStringText(t.prefixLen, t.prefix),
                    ShortStringText(t.descriptionLen, t.description), type, access,
                    Number(t.lowerLimit), Number(t.upperLimit)});
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      bool last = c + 1 == row.size();
      line += last ? row[c] : Pad(row[c], widths[c] + 2);
    }
    out += line + "\n";
  }
  return out;
}

std::string FormatAddrCheck(const AddrCheckAnswer& answer) {
  std::string out =
      "Address:     " + (answer.typed.empty() ? std::string("(empty)") : answer.typed) + "\n";
  out += "Result:      " + std::to_string(answer.result);
  out += answer.result == 1   ? " (accepted)\n"
         : answer.result == 0 ? " (not a known type prefix)\n"
                              : " (unexpected result)\n";
  out += "Normal form: " + (answer.normal.empty() ? std::string("(none)") : answer.normal) + "\n";
  std::string message;
  for (char c : answer.message) {
    if (c != '\r') message += c;
  }
  while (!message.empty() && message.back() == '\n') message.pop_back();
  out += "Message:     ";
  if (message.empty()) out += "(none)";
  for (char c : message) {
    out += c;
    if (c == '\n') out += "             ";
  }
  return out + "\n";
}

}  // namespace vdinv::tool
