// The constant table of the inverter protocol: per tag type the group letter, the command
// characters, field widths, number bases, value codes, readability and writability, the
// frame layouts and the check code, with the control characters of the line and the text
// forms of numbers in frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vdinv::protocol {

constexpr char kSOH = 0x01;
constexpr char kENQ = 0x05;
constexpr char kETX = 0x03;
constexpr char kACK = 0x06;
constexpr char kNAK = 0x15;

constexpr int kTypeCount = 10;
// Type indexes.
enum TypeIndex : int32_t {
  kTypeF = 0,
  kTypeE = 1,
  kTypeC = 2,
  kTypeP = 3,
  kTypeH = 4,
  kTypeA = 5,
  kTypeO = 6,
  kTypeS = 7,
  kTypeM = 8,
  kTypeCommErr = 9,
};

// Per-type columns.
constexpr std::array<std::string_view, kTypeCount> kTypePrefix = {"F", "E", "C", "P", "H",
                                                                  "A", "O", "S", "M", "CommErr"};
constexpr std::array<int32_t, kTypeCount> kTypeAddrLen = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::array<int32_t, kTypeCount> kTypeDataWidth = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr std::array<uint8_t, kTypeCount> kTypeReadCode = {14, 14, 14, 14, 14, 14, 14, 14, 14, 14};
constexpr std::array<uint8_t, kTypeCount> kTypeWriteCode = {14, 14, 14, 14, 14, 14, 14, 14, 14, 14};
constexpr std::array<uint8_t, kTypeCount> kTypeReadable = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0};
constexpr std::array<uint8_t, kTypeCount> kTypeWritable = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0};
constexpr std::array<int32_t, kTypeCount> kTypeAddrWidth = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2};

// Columns of one value.
constexpr bool kDataHexFlag = true;
constexpr uint8_t kReadAskStyle = 4;
constexpr uint8_t kWriteAskStyle = 3;
constexpr uint8_t kReadAnswerStyle = 2;
constexpr uint8_t kWriteAnswerStyle = 0;
constexpr std::string_view kReadAnswerHead = "";
constexpr bool kDevIDHexFlag = false;
constexpr int32_t kDevIDWidth = 2;
constexpr std::string_view kReadCode = "R";
constexpr std::string_view kReadReplyCode = "R";
constexpr std::string_view kWriteCode = "W";
constexpr std::string_view kWriteReplyCode = "W";
constexpr bool kAddrTextHexFlag = false;
constexpr uint8_t kCheckKind = 10;
constexpr int32_t kCheckLen = 2;
constexpr std::string_view kEndCode = "\x03";
constexpr uint8_t kPortOpenFlag = 1;
// The value type code of every type of this device: a 16-bit data word in hexadecimal.
constexpr uint8_t kValueCodeWord = 14;

// The address parser's range columns: channel minimum (= default) and maximum per model row
// (G11S, P11S: the same values), bit minimum and maximum per type; -1 = the type has no such
// part. The parser reads numbers in decimal.
constexpr bool kTagAddrHexFlag = false;
constexpr std::array<int32_t, kTypeCount> kChMin = {0, 1, 1, 1, 3, 1, 1, 1, 1, -1};
constexpr std::array<int32_t, kTypeCount> kChMax = {42, 47, 33, 9, 39, 18, 29, 12, 48, -1};
constexpr std::array<int32_t, kTypeCount> kBitMin = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
constexpr std::array<int32_t, kTypeCount> kBitMax = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// The range columns of a model code (both models share one table); nothing for "no device".
int32_t ChMin(uint8_t model, int32_t typeIndex);
int32_t ChMax(uint8_t model, int32_t typeIndex);

// True for a valid type index.
constexpr bool ValidType(int32_t typeIndex) {
  return typeIndex >= 0 && typeIndex < kTypeCount;
}
constexpr bool TypeReadable(int32_t typeIndex) {
  return ValidType(typeIndex) && kTypeReadable[typeIndex] != 0;
}
constexpr bool TypeWritable(int32_t typeIndex) {
  return ValidType(typeIndex) && kTypeWritable[typeIndex] != 0;
}

// "%.*d": at least width digits, zero-padded, a leading minus for negative numbers.
std::string DecimalText(int64_t value, int width);
// Upper-case hexadecimal of the value taken as unsigned 32-bit, zero-padded to width digits.
std::string HexText(uint32_t value, int width);

}  // namespace vdinv::protocol
