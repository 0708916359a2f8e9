#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include <string>

namespace vdinv::platform {
namespace {

TEST(PlatformDynamicLibrary, LoadsAndLooksUpExports) {
  DynamicLibrary library;
  EXPECT_FALSE(library.IsOpen());
  EXPECT_EQ(library.Symbol("cos"), nullptr);
  std::string error;
  ASSERT_TRUE(library.Open("libm.so.6", &error)) << error;
  EXPECT_TRUE(library.IsOpen());
  using Cos = double (*)(double);
  auto cosine = reinterpret_cast<Cos>(library.Symbol("cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(library.Symbol("no_such_symbol_anywhere"), nullptr);
  EXPECT_TRUE(library.Close());
  EXPECT_FALSE(library.Close());
  EXPECT_FALSE(library.IsOpen());
}

TEST(PlatformDynamicLibrary, ReportsTheLoaderError) {
  DynamicLibrary library;
  std::string error;
  EXPECT_FALSE(library.Open("/no/such/dir/VD_Inv.so", &error));
  EXPECT_NE(error.find("VD_Inv.so"), std::string::npos) << error;
  EXPECT_FALSE(library.IsOpen());
  EXPECT_FALSE(library.Open("/no/such/dir/VD_Inv.so", nullptr));
}

}  // namespace
}  // namespace vdinv::platform
