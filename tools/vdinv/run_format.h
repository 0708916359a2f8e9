// The pure parts of `run` and `addr`: building the host's tag records and formatting what the
// driver reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/records.h"
#include "platform/clock.h"
#include "vdinv/options.h"

namespace vdinv::tool {

struct BuiltTag {
  TTagInfo info;
  std::string addressGbk;  // as stored in TagAddr
  bool cut = false;        // the address was longer than 63 bytes in GBK
  bool replaced = false;   // characters without a GBK form became '?'
};

// The host's record of tag `id`: name "Tag<id>", the address in GBK cut to 63 bytes on a
// character boundary, the type, the scan period and an empty initial value.
BuiltTag BuildTag(uint32_t id, const TagArgument& argument, uint32_t scanPeriod);

// An OLE date (days since 1899-12-30, time of day as the fraction) as a calendar date and time,
// rounded to the millisecond.
platform::LocalDateTime OleDateToLocal(double oleDate);
// "yyyy-mm-dd hh:nn:ss.zzz"
std::string FormatTimestamp(const platform::LocalDateTime& t);

const char* TypeName(uint8_t dataType);

// The value of a record in readable form (UTF-8); a string value is read from its pointer but
// not released here.
std::string FormatValue(const TTagValue& value);

// Address templates (GetTagAddrList) as a table (UTF-8), one row per record: prefix,
// description, tag type, access, lower and upper limit. Codes the tool does not know are shown
// as numbers.
std::string FormatAddrTemplates(const std::vector<TTagAddrTemplate>& templates);

// One answer of TagEdAddr: the address as typed (UTF-8), the result and the texts the driver
// handed back (already UTF-8; the normal form is empty when the driver handed back none).
struct AddrCheckAnswer {
  std::string typed;
  int32_t result = 0;
  std::string normal;
  std::string message;
};
std::string FormatAddrCheck(const AddrCheckAnswer& answer);

}  // namespace vdinv::tool
