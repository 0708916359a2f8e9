// The device types of the inverter: per tag type its address prefix, whether it can be read and
// written, and the channel and bit ranges of its addresses. The engine checks addresses and
// decides which tags need commands with it; the frames of a type are the protocol's business.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vdinv {

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
constexpr std::array<uint8_t, kTypeCount> kTypeReadable = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0};
constexpr std::array<uint8_t, kTypeCount> kTypeWritable = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0};

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

}  // namespace vdinv
