// Fuzzes OnDataWrite on a running driver line: record identifiers, data types and values as a
// host may hand them, interleaved with polls of a line that answers or not.
//
// Input: a sequence of up to 64 operations, each starting with a byte B:
//   B even: a line step (DriverHost::LineStep) reads its bytes after B;
//   B odd: OnDataWrite of (B >> 1) % 4 + 1 records, each read as
//     identifier (1 byte: 1..11 name tags of the table, anything else none), data type (1
//     byte, any value), then the value: data type 2: a length byte L and L text bytes that the
//     target hands over zero-terminated (L = 255: a null pointer); any other data type: the 8
//     value bytes as they come.
// The table has analog, switch, string, read-only, status and internal-switch tags, and tags
// whose data type is 3 and 200, on stations 1 (G11S) and 2 (P11S).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver_harness.h"

namespace {

using vdinv::fuzz::ByteReader;
using vdinv::fuzz::Check;
using vdinv::fuzz::DriverHost;

constexpr uint8_t kNullText = 255;

// Reads one write record; a text value is allocated in texts, which keeps it alive.
vdinv::TTagValue ReadRecord(ByteReader& in, std::vector<std::unique_ptr<char[]>>& texts) {
  vdinv::TTagValue record{};
  record.TagID = in.Byte();
  record.DataType = in.Byte();
  if (record.DataType != vdinv::kString) {
    in.Fill(record.Value.raw, sizeof record.Value.raw);
    return record;
  }
  const uint8_t length = in.Byte();
  if (length == kNullText) return record;
  const std::string_view text = in.Bytes(length);
  auto buffer = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(buffer.get(), text.data(), text.size());
  buffer[text.size()] = 0;
  char* pointer = buffer.get();
  std::memcpy(record.Value.raw, &pointer, sizeof pointer);
  texts.push_back(std::move(buffer));
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& host = DriverHost::Instance();
  std::vector<vdinv::TTagInfo> tags = {DriverHost::Tag(1, "F1:3", vdinv::kAnalog),
                                       DriverHost::Tag(2, "E1:1", vdinv::kSwitch),
                                       DriverHost::Tag(3, "F2:5", vdinv::kString),
                                       DriverHost::Tag(4, "M1:9", vdinv::kAnalog),
                                       DriverHost::Tag(5, "ENLOG", vdinv::kSwitch),
                                       DriverHost::Tag(6, "ENCOMMLINK", vdinv::kAnalog),
                                       DriverHost::Tag(7, "COMMLINK", vdinv::kString),
                                       DriverHost::Tag(8, "F2:3", 3),
                                       DriverHost::Tag(9, "F1:7", 200),
                                       DriverHost::Tag(10, "DEVICELINK2", vdinv::kSwitch),
                                       DriverHost::Tag(11, "CommErr1:", vdinv::kSwitch)};
  vdinv::TDevParmBlock block = DriverHost::Block({{1, vdinv::kModelG11S}, {2, vdinv::kModelP11S}});
  host.Init(tags, &block);
  ByteReader in(data, size);
  for (int op = 0; op < 64 && !in.Empty(); ++op) {
    const uint8_t b = in.Byte();
    if ((b & 1) == 0) {
      host.LineStep(in);
      continue;
    }
    std::vector<vdinv::TTagValue> records;
    std::vector<std::unique_ptr<char[]>> texts;
    bool anyTag = false;
    for (int i = (b >> 1) % 4; i >= 0; --i) {
      records.push_back(ReadRecord(in, texts));
      const vdinv::TTagValue& r = records.back();
      anyTag |= r.TagID >= 1 && r.TagID <= tags.size() && tags[r.TagID - 1].DataType == r.DataType;
    }
    // A batch that names no tag of the table with its type is refused.
    if (!DriverHost::Write(records)) continue;
    Check(anyTag);
  }
  host.Free();
  return 0;
}
