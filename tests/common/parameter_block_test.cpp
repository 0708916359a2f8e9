#include "common/parameter_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/process_values.h"
#include "platform/text.h"

namespace vdinv {
namespace {

// A block filled with a byte pattern, so that untouched bytes can be told apart.
std::vector<uint8_t> Pattern(uint8_t seed) {
  std::vector<uint8_t> bytes(kPdbLength);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

int32_t Long(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b[at + i];
  return static_cast<int32_t>(v);
}

TEST(ParameterBlockDefaults, FillsEveryDefaultAndKeepsEverythingElse) {
  SetProcessOutTime(1000);
  SetProcessWCount(2);
  std::vector<uint8_t> block = Pattern(3);
  const std::vector<uint8_t> before = block;
  ASSERT_EQ(FullPdb(block.data()), block.data());

  std::vector<bool> written(block.size(), false);
  auto expectByte = [&](size_t at, uint8_t value) {
    EXPECT_EQ(block[at], value) << "offset " << at;
    written[at] = true;
  };
  auto expectWord = [&](size_t at, uint16_t value) {
    expectByte(at, static_cast<uint8_t>(value & 0xFF));
    expectByte(at + 1, static_cast<uint8_t>(value >> 8));
  };
  expectByte(0, 0);
  expectByte(1, 0);
  expectByte(2, 0);
  expectWord(4, 1000);
  expectWord(6, 0);
  expectByte(8, 2);
  expectByte(9, 0);
  for (size_t i = 0; i < 4; ++i) expectByte(0x0C + i, 0);
  for (int d = 0; d < kDeviceCount; ++d) {
    size_t e = 0x10 + static_cast<size_t>(d) * 264;
    EXPECT_EQ(Long(block, e), d);
    for (size_t i = 0; i < 4; ++i) written[e + i] = true;
    expectByte(e + 4, d == 0 ? 0 : 2);
    for (size_t i = 0x36; i <= 0xFD; ++i) expectByte(e + i, 0);
    expectWord(e + 0xFE, 80);
    expectWord(e + 0x100, 32);
    expectWord(e + 0x102, 8);
    expectWord(e + 0x104, 49);
  }
  expectByte(0x6730, 0);
  expectByte(0x6731, 6);
  expectByte(0x6732, 4);
  expectByte(0x6733, 0);
  expectByte(0x6734, 0);
  // Every byte not named above, the model names included, keeps what the block held.
  for (size_t i = 0; i < block.size(); ++i) {
    if (!written[i]) {
      EXPECT_EQ(block[i], before[i]) << "offset " << i;
    }
  }
}

TEST(ParameterBlockDefaults, TakeTheProcessValuesAndIgnoreNull) {
  EXPECT_EQ(FullPdb(nullptr), nullptr);
  SetProcessOutTime(10);
  SetProcessWCount(7);
  std::vector<uint8_t> block(kPdbLength, 0xEE);
  FullPdb(block.data());
  EXPECT_EQ(Word(block, 4), 10);
  EXPECT_EQ(block[8], 7);
  SetProcessOutTime(kInitialOutTime);
  SetProcessWCount(kInitialWCount);
}

TEST(ParameterBlockCopy, CopiesFieldsAndKeepsTheDestinationsUncopiedBytes) {
  std::vector<uint8_t> srcBytes = Pattern(11);
  std::vector<uint8_t> dstBytes = Pattern(99);
  TDevParmBlock src = LoadPdb(srcBytes.data());
  src.Devices[3].Model = kModelP11S;
  src.Devices[4].Model = kModelNone;
  src.Devices[5].Model = kModelG11S;
  src.ReservedText.length = 200;  // longer than the field: counts as the whole field
  src.InitStr.length = 50;
  TDevParmBlock dst = LoadPdb(dstBytes.data());
  CopyPdb(src, dst);
  std::vector<uint8_t> out(kPdbLength);
  StorePdb(out.data(), dst);
  StorePdb(srcBytes.data(), src);

  // Bytes never copied keep the destination's.
  for (size_t at :
       {size_t{0x03}, size_t{0x0A}, size_t{0x0B}, size_t{0x6789}, size_t{0x678A}, size_t{0x678B}}) {
    EXPECT_EQ(out[at], dstBytes[at]) << at;
  }
  for (int d = 0; d < kDeviceCount; ++d) {
    size_t e = 0x10 + static_cast<size_t>(d) * 264;
    EXPECT_EQ(out[e + 0x106], dstBytes[e + 0x106]);
    EXPECT_EQ(out[e + 0x107], dstBytes[e + 0x107]);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(out[e + i], srcBytes[e + i]);
    for (size_t i = 0x34; i < 0x106; ++i) EXPECT_EQ(out[e + i], srcBytes[e + i]) << d << "+" << i;
  }
  // Header fields and serial settings are copied.
  for (size_t at : {0u, 1u, 2u, 4u, 5u, 6u, 7u, 8u, 9u, 0xCu, 0xDu, 0xEu, 0xFu, 0x6730u, 0x6731u,
                    0x6732u, 0x6733u, 0x6734u}) {
    EXPECT_EQ(out[at], srcBytes[at]) << at;
  }
  // Model names follow the copied model.
  EXPECT_EQ(dst.Devices[3].ModelName.Get(), "P11S");
  EXPECT_EQ(dst.Devices[4].ModelName.Get(), platform::Utf8ToGbk("无效"));
  EXPECT_EQ(dst.Devices[5].ModelName.Get(), "G11S");
  EXPECT_EQ(dst.ReservedText.Get(), src.ReservedText.Get());
  EXPECT_EQ(dst.InitStr.Get(), src.InitStr.Get());
}

TEST(ParameterBlockCopy, CutsLongTextsToTheirFields) {
  TDevParmBlock src{};
  TDevParmBlock dst{};
  // A stored length beyond the field reads as the whole field; the copy keeps 50 bytes.
  src.InitStr.length = 60;
  std::memset(src.InitStr.bytes.data(), 'A', src.InitStr.bytes.size());
  CopyPdb(src, dst);
  EXPECT_EQ(dst.InitStr.Get(), std::string(50, 'A'));
  // A cut never leaves half of a double-byte character: 25 characters of two bytes fit,
  // a leading single byte pushes the last one out.
  std::string chinese;
  for (int i = 0; i < 30; ++i) chinese += platform::Utf8ToGbk("变");
  src.InitStr.Set(chinese);
  EXPECT_EQ(src.InitStr.Get().size(), 50u);
  src.InitStr.Set("x" + chinese);
  EXPECT_EQ(src.InitStr.Get().size(), 49u);
}

TEST(ParameterBlockNormalise, ResetsEntriesWhoseNameDoesNotMatchTheirModel) {
  TDevParmBlock pdb{};
  for (int d = 0; d < kDeviceCount; ++d) pdb.Devices[d].Model = kModelNone;
  EXPECT_FALSE(CheckPdbModels(pdb));

  pdb.Devices[3].Model = kModelP11S;
  pdb.Devices[3].ModelName.Set("G11S");
  pdb.Devices[4].Model = kModelG11S;
  pdb.Devices[4].ModelName.Set("G11S");
  pdb.Devices[7].Model = 9;  // unknown code
  pdb.Devices[7].ModelName.Set("G11S");
  EXPECT_TRUE(CheckPdbModels(pdb));
  EXPECT_EQ(pdb.Devices[3].Model, kModelNone);
  EXPECT_EQ(pdb.Devices[3].ModelName.Get(), "");
  EXPECT_EQ(pdb.Devices[4].Model, kModelG11S);
  EXPECT_EQ(pdb.Devices[7].Model, kModelNone);
  EXPECT_FALSE(CheckPdbModels(pdb));
}

TEST(ParameterBlockNormalise, DefaultBlockNeedsTheNameOfEntryZero) {
  // FullPDB leaves entry 0's name alone: without "G11S" there normalisation drops it; a copy
  // made first supplies the name.
  std::vector<uint8_t> block(kPdbLength, 0);
  FullPdb(block.data());
  TDevParmBlock copy{};
  CopyPdb(LoadPdb(block.data()), copy);
  EXPECT_FALSE(CheckPdbModels(copy));
  EXPECT_EQ(copy.Devices[0].Model, kModelG11S);
  EXPECT_TRUE(CheckPdbModels(block.data()));
  EXPECT_EQ(LoadPdb(block.data()).Devices[0].Model, kModelNone);
}

}  // namespace
}  // namespace vdinv
