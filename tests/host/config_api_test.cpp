#include "host/config_api.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "host/process.h"
#include "platform/text.h"
#include "support/engine_fixture.h"

namespace vdinv::host {
namespace {

std::string Short(uint8_t length, const char* bytes) {
  return platform::GbkToUtf8(std::string(bytes, length));
}

TEST(ConfigApiTemplates, CountThenRecordsInTableOrder) {
  int32_t count = -1;
  GetTagAddrList(0, &count, nullptr);
  EXPECT_EQ(count, 10);

  std::vector<TTagAddrTemplate> list(10);
  count = 3;
  GetTagAddrList(0, &count, list.data());
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Short(list[0].prefixLen, list[0].prefix), "F");
  EXPECT_EQ(Short(list[0].descriptionLen, list[0].description), "基本功能");
  EXPECT_EQ(list[0].tagType, 0);
  EXPECT_EQ(list[0].access, 2);
  EXPECT_EQ(double{list[0].upperLimit}, 65535);
  EXPECT_EQ(double{list[0].lowerLimit}, -65535);
  EXPECT_EQ(Short(list[1].prefixLen, list[1].prefix), "E");
  EXPECT_EQ(list[1].tagType, 1);
  EXPECT_EQ(Short(list[2].prefixLen, list[2].prefix), "C");
  EXPECT_EQ(list[3].prefixLen, 0);  // not asked for: untouched

  count = 10;
  GetTagAddrList(0, &count, list.data());
  EXPECT_EQ(Short(list[6].prefixLen, list[6].prefix), "O");
  EXPECT_EQ(double{list[6].upperLimit}, 256);
  EXPECT_EQ(double{list[6].lowerLimit}, 0);
  EXPECT_EQ(Short(list[8].descriptionLen, list[8].description), "监测数据");
  EXPECT_EQ(list[8].access, 0);
  EXPECT_EQ(Short(list[9].prefixLen, list[9].prefix), "CommErr");
  EXPECT_EQ(list[9].access, 0);
  EXPECT_EQ(list[9].reserved, 0);
}

TEST(ConfigApiTemplates, NeverWritesMoreRecordsThanTheTableHas) {
  std::vector<TTagAddrTemplate> list(11);
  std::memset(&list[10], 0x5A, sizeof list[10]);
  int32_t count = 50;
  GetTagAddrList(0, &count, list.data());
  EXPECT_EQ(list[10].prefixLen, 0x5A);
  GetTagAddrList(0, nullptr, list.data());  // no count: nothing to do
}

class ConfigApiTagEdAddr : public test::EngineFixture {
 protected:
  void SetUp() override {
    Process::Instance().UseClock(&clock);
    Process::Instance().UseSerialDevices(test::FakeSerialDevice::Factory(line));
    Process::Instance().UseLogPath(logPath);
    block = Block({{1, kModelG11S}});
  }
  void TearDown() override {
    Process::Instance().UseClock(nullptr);
    Process::Instance().UseSerialDevices({});
    Process::Instance().UseLogPath({});
  }
  // Runs TagEdAddr on its own thread, as the host's user-interface thread would.
  int32_t Check(const std::string& address, uint8_t skip, std::string& back, std::string& msg,
                void* pdb) {
    int32_t result = 0;
    std::thread([&] {
      std::string gbk = platform::Utf8ToGbk(address);
      std::vector<char> own(gbk.begin(), gbk.end());
      own.push_back('\0');
      char* addr = own.data();
      char* message = reinterpret_cast<char*>(1);
      result = TagEdAddr(pdb, &addr, skip, &message);
      back = addr ? platform::GbkToUtf8(addr) : "<null>";
      msg = message ? platform::GbkToUtf8(message) : "<null>";
      // Both texts are new copies for the host; its own buffer is untouched.
      if (addr != own.data()) std::free(addr);
      std::free(message);
    }).join();
    return result;
  }
  TDevParmBlock block;
};

TEST_F(ConfigApiTagEdAddr, SkippingTheCheckHandsTheAddressBack) {
  std::string back, msg;
  EXPECT_EQ(Check("f1：5", 1, back, msg, &block), 1);
  EXPECT_EQ(back, "f1：5");
  EXPECT_EQ(msg, "<null>");
  EXPECT_EQ(Check("", 1, back, msg, &block), 1);
  EXPECT_EQ(back, "<null>");
}

TEST_F(ConfigApiTagEdAddr, WithoutABlockTheDeviceIsNotInitialised) {
  std::string back, msg;
  EXPECT_EQ(Check("F1:5", 0, back, msg, nullptr), 0);
  EXPECT_EQ(msg, "通讯设备初始化失败");
  EXPECT_EQ(back, "F1:5");
}

TEST_F(ConfigApiTagEdAddr, KnownPrefixesAreNormalised) {
  std::string back, msg;
  EXPECT_EQ(Check("f1：5", 0, back, msg, &block), 1);
  EXPECT_EQ(back, "F1:5.-1");
  EXPECT_EQ(msg, "<null>");
  EXPECT_EQ(Check("X1:2", 0, back, msg, &block), 0);
  EXPECT_EQ(back, "F-1:-1.-1");
  // An empty address is not made up into one.
  EXPECT_EQ(Check("", 0, back, msg, &block), 0);
  EXPECT_EQ(back, "<null>");
}

}  // namespace
}  // namespace vdinv::host
