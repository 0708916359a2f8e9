// Fuzzes the tag records a host hands to IniDriver, with initial values of every variant type
// word, and the variant decoder.
//
// Input: a sequence of up to 40 tag records, each read as
//   id (1 byte), data type (1 byte, any value), scan period (4 bytes, little-endian),
//   name length (1 byte, at most 36) and the name bytes, address length (1 byte, at most 64)
//   and the address bytes (a field filled to its end has no terminating zero),
//   variant type word (2 bytes, any value), then its value:
//     8 (BSTR) and 30 (LPSTR): a length byte L and L text bytes; the target allocates the text
//       (a BSTR with its byte-length prefix and two terminating zeros, L may be odd; an LPSTR
//       zero-terminated, zeros inside allowed); L = 255 hands over a null pointer;
//     any other type word: the 8 value bytes.
// IniDriver gets the records with a block of stations 1 (G11S), 2 (P11S) and 5 (G11S), the
// line is polled three times a second apart and freed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/ole_variant.h"
#include "driver_harness.h"

namespace {

using vdinv::TagValue;
using vdinv::TOleVariant;
using vdinv::fuzz::ByteReader;
using vdinv::fuzz::Check;

constexpr uint16_t kBstr = 8;
constexpr uint16_t kLpstr = 30;
constexpr uint8_t kNullText = 255;

// The family a decoded initial value must have for its type word.
bool FamilyFits(uint16_t vt, const TagValue& value) {
  switch (vt) {
    case 2:
    case 3:
    case 16:
    case 17:
    case 18:
    case 19:
    case 22:
    case 23:
      return value.IsInteger();
    case 4:
    case 5:
      return value.IsDouble();
    case 11:
      return value.IsBoolean();
    case kBstr:
    case kLpstr:
      return value.IsString();
    default:
      return value.IsEmpty();
  }
}

// Reads one variant; a text value is allocated in texts, which keeps it alive.
TOleVariant ReadVariant(ByteReader& in, std::vector<std::unique_ptr<char[]>>& texts) {
  TOleVariant v{};
  in.Fill(&v.vt, sizeof v.vt);
  if (v.vt != kBstr && v.vt != kLpstr) {
    in.Fill(v.value, sizeof v.value);
    return v;
  }
  const uint8_t length = in.Byte();
  if (length == kNullText) return v;
  const std::string_view text = in.Bytes(length);
  const uint32_t bytes = static_cast<uint32_t>(text.size());
  // The prefix and two zeros around the text; a BSTR's text starts 4 bytes in.
  auto buffer = std::make_unique<char[]>(sizeof bytes + bytes + 2);
  char* start = buffer.get();
  if (v.vt == kBstr) {
    std::memcpy(start, &bytes, sizeof bytes);
    start += sizeof bytes;
  }
  std::memcpy(start, text.data(), text.size());
  start[bytes] = start[bytes + 1] = 0;
  std::memcpy(v.value, &start, sizeof start);
  texts.push_back(std::move(buffer));
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& host = vdinv::fuzz::DriverHost::Instance();
  ByteReader in(data, size);
  std::vector<vdinv::TTagInfo> tags;
  std::vector<std::unique_ptr<char[]>> texts;
  while (!in.Empty() && tags.size() < 40) {
    vdinv::TTagInfo info{};
    info.TagID = in.Byte();
    info.DataType = in.Byte();
    in.Fill(&info.ScanPeriod, sizeof info.ScanPeriod);
    in.Fill(info.TagName, std::min<size_t>(in.Byte(), sizeof info.TagName));
    in.Fill(info.TagAddr, std::min<size_t>(in.Byte(), sizeof info.TagAddr));
    info.InitValue = ReadVariant(in, texts);

    const TagValue value = vdinv::DecodeOleVariant(info.InitValue);
    Check(FamilyFits(info.InitValue.vt, value));
    if (info.InitValue.vt == kLpstr && !texts.empty()) {
      const char* text = nullptr;
      std::memcpy(&text, info.InitValue.value, sizeof text);
      if (text != nullptr) Check(value.AsString() == text);
    }
    tags.push_back(info);
  }

  vdinv::TDevParmBlock block =
      host.Block({{1, vdinv::kModelG11S}, {2, vdinv::kModelP11S}, {5, vdinv::kModelG11S}});
  host.Init(tags, &block);
  for (int poll = 0; poll < 3; ++poll) {
    host.Poll();
    host.clock.Advance(1000);
  }
  host.Free();
  return 0;
}
