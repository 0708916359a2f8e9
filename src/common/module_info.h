// The module information record: the 32 texts a module's version resource gives the driver
// (identity and the words for the parts of a tag address) plus the host's installation
// directory, and the product record.
#pragma once

#include <array>
#include <string>

namespace vdinv {

enum ModuleField : int {
  kCompanyName = 0,
  kFileDescription = 1,
  kFileVersion = 2,
  kInternalName = 3,
  kLegalCopyright = 4,
  kLegalTrademarks = 5,
  kOriginalFileName = 6,
  kProductName = 7,
  kProductVersion = 8,
  kSpecialBuild = 9,
  kPrivateBuild = 10,
  kComments = 11,
  kNumericFileVersion = 12,
  kDeviceName = 15,
  kDevTypeName = 17,
  kDevIDName = 18,
  kChName = 19,
  kChIDName = 20,
  kSlotName = 21,
  kSlotIDName = 22,
  kBitName = 23,
  kBitIDName = 24,
  kThirdSegName = 25,
  kThirdSegIDName = 26,
  kFourSegName = 27,
  kFourSegIDName = 28,
  kFiveSegName = 29,
  kFiveSegIDName = 30,
  kInstallDir = 31,
  kModuleFieldCount = 32
};

// All texts are GBK.
struct TModuleInfo {
  std::array<std::string, kModuleFieldCount> fields;

  const std::string& operator[](ModuleField f) const { return fields[f]; }
  std::string& operator[](ModuleField f) { return fields[f]; }
};

// The product record: a bitmap and two texts from the module's resources. This driver carries
// none of them, so the record keeps its defaults.
struct TProductInfo {
  bool hasBitmap = false;
  std::string text1;
  std::string text2;
};

}  // namespace vdinv
