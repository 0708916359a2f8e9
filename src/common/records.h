// Records that cross the module boundary, in the byte layout hosts rely on (packed,
// little-endian; the same sizes and offsets on 32- and 64-bit targets).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vdinv {

// A text pointer sits in the 8 bytes of TTagValue.Value (its first 4 bytes on 32-bit targets).
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "pointers of 32 or 64 bits");

#pragma pack(push, 1)

// OLE VARIANT in 16 bytes: type word at 0, value at 8.
struct TOleVariant {
  uint16_t vt;
  uint8_t reserved[6];
  uint8_t value[8];
};

// The host's description of one tag (the driver only reads it).
struct TTagInfo {
  uint32_t TagID;
  char TagName[36];
  char TagAddr[64];
  uint8_t DataType;
  uint8_t pad1[3];
  uint32_t ScanPeriod;
  uint8_t notRead[8];
  TOleVariant InitValue;
};

// One value record of OnDataRead and OnDataWrite.
struct TTagValue {
  uint32_t TagID;
  double TimeStamp;
  uint32_t Quality;
  uint8_t DataType;
  uint8_t pad[3];
  union {
    double analog;
    int32_t switchValue;
    char* text;
    uint8_t raw[8];
  } Value;
};

// One address template of GetTagAddrList.
struct TTagAddrTemplate {
  uint8_t prefixLen;
  char prefix[255];
  uint8_t descriptionLen;
  char description[255];
  uint8_t tagType;
  uint8_t access;
  uint8_t pad[2];
  double upperLimit;
  double lowerLimit;
  int32_t reserved;
};

#pragma pack(pop)

static_assert(sizeof(TOleVariant) == 16);
static_assert(offsetof(TOleVariant, value) == 8);
static_assert(sizeof(TTagInfo) == 136);
static_assert(offsetof(TTagInfo, TagName) == 4);
static_assert(offsetof(TTagInfo, TagAddr) == 40);
static_assert(offsetof(TTagInfo, DataType) == 104);
static_assert(offsetof(TTagInfo, ScanPeriod) == 108);
static_assert(offsetof(TTagInfo, InitValue) == 120);
static_assert(sizeof(TTagValue) == 28);
static_assert(offsetof(TTagValue, TimeStamp) == 4);
static_assert(offsetof(TTagValue, Quality) == 12);
static_assert(offsetof(TTagValue, DataType) == 16);
static_assert(offsetof(TTagValue, Value) == 20);
static_assert(sizeof(TTagAddrTemplate) == 536);
static_assert(offsetof(TTagAddrTemplate, descriptionLen) == 256);
static_assert(offsetof(TTagAddrTemplate, description) == 257);
static_assert(offsetof(TTagAddrTemplate, tagType) == 512);
static_assert(offsetof(TTagAddrTemplate, access) == 513);
static_assert(offsetof(TTagAddrTemplate, upperLimit) == 516);
static_assert(offsetof(TTagAddrTemplate, lowerLimit) == 524);
static_assert(offsetof(TTagAddrTemplate, reserved) == 532);

// Tag value types of DataType.
enum TagDataType : uint8_t { kAnalog = 0, kSwitch = 1, kString = 2 };

}  // namespace vdinv
