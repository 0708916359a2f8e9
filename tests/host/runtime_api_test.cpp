#include "host/runtime_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "host/process.h"
#include "platform/text.h"
#include "support/engine_fixture.h"

namespace vdinv::host {
namespace {

using ::testing::HasSubstr;

// Each scenario runs on a thread of its own, as each host thread has its own driver object;
// the object is destroyed when the thread ends.
class RuntimeApiTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    Process::Instance().UseClock(&clock);
    Process::Instance().UseLogPath(logPath);
    block = Block({{1, kModelG11S}});
  }
  void TearDown() override {
    Process::Instance().UseClock(nullptr);
    Process::Instance().UseLogPath({});
  }
  template <class F>
  static void OnThread(F&& f) {
    std::thread(std::forward<F>(f)).join();
  }
  // Takes a text the driver handed over: its UTF-8 form, the copy released.
  static std::string Take(char* text) {
    std::string utf8 = text ? platform::GbkToUtf8(text) : std::string("<null>");
    std::free(text);
    return utf8;
  }
  bool Init(std::vector<TTagInfo>& infos, char** msg) {
    std::vector<TTagInfo*> pointers;
    for (TTagInfo& info : infos) pointers.push_back(&info);
    return IniDriver(static_cast<int32_t>(pointers.size()), pointers.data(), &block, msg);
  }

  TDevParmBlock block;
};

TEST_F(RuntimeApiTest, IniDriverChecksItsArgumentsInOrder) {
  OnThread([&] {
    char* msg = reinterpret_cast<char*>(1);
    EXPECT_FALSE(IniDriver(1, nullptr, nullptr, &msg));
    EXPECT_EQ(Take(msg), "无效的标签列表。");
    TTagInfo* none[1] = {nullptr};
    EXPECT_FALSE(IniDriver(1, none, nullptr, &msg));
    EXPECT_EQ(Take(msg), "无效的参数信息。");
    EXPECT_FALSE(IniDriver(1, nullptr, nullptr, nullptr));  // no message wanted
  });
}

TEST_F(RuntimeApiTest, WithoutADriverEveryExportSaysSo) {
  OnThread([&] {
    char* msg = nullptr;
    int32_t count = 7;
    TTagValue values[2];
    EXPECT_TRUE(OnDataRead(&count, values, &msg));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Take(msg), "通讯设备初始化失败");
    EXPECT_FALSE(OnDataWrite(1, values, &msg));
    EXPECT_EQ(Take(msg), "通讯设备初始化失败");
    EXPECT_TRUE(GetDeviceStatus(&msg));
    EXPECT_EQ(Take(msg), "通讯设备初始化失败");
    WriteLog(true, &msg);
    EXPECT_EQ(Take(msg), "通讯设备初始化失败");
    EXPECT_EQ(DetectScanTime(), 1000);
    EXPECT_TRUE(FreeDriver());
    EXPECT_TRUE(IniDriverEx(5));
  });
}

TEST_F(RuntimeApiTest, NoValidTagCreatesTheObjectButFails) {
  OnThread([&] {
    std::vector<TTagInfo> tags;
    char* msg = nullptr;
    TTagInfo* list[1] = {nullptr};
    EXPECT_FALSE(IniDriver(0, list, &block, &msg));
    EXPECT_EQ(Take(msg), "驱动程序加载失败：无合法标签！\r\n");
    ASSERT_NE(Process::Instance().ThreadDriver(), nullptr);
    // The object exists but built no table: the constructor's scan time stands.
    EXPECT_EQ(DetectScanTime(), 500);
  });
}

TEST_F(RuntimeApiTest, FirstPollReportsChangedStatusTagsThenNothing) {
  OnThread([&] {
    std::vector<TTagInfo> tags = {Tag(10, "line", "COMMLINK", kString),
                                  Tag(11, "state", "COMMLINK", kAnalog),
                                  Tag(12, "on", "ENCOMMLINK", kSwitch)};
    char* msg = nullptr;
    ASSERT_TRUE(Init(tags, &msg));
    EXPECT_EQ(Take(msg), "<null>");
    EXPECT_EQ(DetectScanTime(), 10);

    clock.Advance(250);
    std::vector<TTagValue> values(3);
    int32_t count = -1;
    EXPECT_TRUE(OnDataRead(&count, values.data(), &msg));
    EXPECT_EQ(Take(msg), "<null>");
    // The string status text and the switched-on line differ from their defaults.
    ASSERT_EQ(count, 2);
    EXPECT_EQ(values[0].TagID, 10u);
    EXPECT_EQ(values[0].DataType, kString);
    EXPECT_EQ(values[0].Quality, 0u);
    EXPECT_DOUBLE_EQ(values[0].TimeStamp, platform::ToOleDate(clock.Now()));
    EXPECT_EQ(Take(values[0].Value.text), "富士变频器通讯始终不成功!");
    EXPECT_EQ(values[1].TagID, 12u);
    EXPECT_EQ(values[1].Value.switchValue, 1);

    EXPECT_TRUE(OnDataRead(&count, values.data(), &msg));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Take(msg), "<null>");
    EXPECT_TRUE(FreeDriver());
  });
  EXPECT_THAT(LogText(), HasSubstr("退出运行！"));
}

TEST_F(RuntimeApiTest, WritesReachOnlyTagsHandedOver) {
  OnThread([&] {
    std::vector<TTagInfo> tags = {Tag(3, "line", "COMMLINK", kAnalog)};
    ASSERT_TRUE(Init(tags, nullptr));
    char* msg = nullptr;
    TTagValue record{};
    record.TagID = 99;  // never handed over
    record.DataType = kAnalog;
    record.Value.analog = 1;
    EXPECT_FALSE(OnDataWrite(1, &record, &msg));
    EXPECT_EQ(Take(msg), "<null>");
    record.TagID = 3;
    record.DataType = kSwitch;  // differs from the tag's type: skipped without a message
    EXPECT_FALSE(OnDataWrite(1, &record, &msg));
    EXPECT_EQ(Take(msg), "<null>");
    EXPECT_FALSE(OnDataWrite(0, &record, &msg));
    EXPECT_EQ(Take(msg), "通讯设备初始化失败");
  });
}

TEST_F(RuntimeApiTest, WriteLogActsOnlyWithAPendingMessage) {
  OnThread([&] {
    std::vector<TTagInfo> tags = {Tag(1, "line", "COMMLINK", kAnalog)};
    ASSERT_TRUE(Init(tags, nullptr));
    protocol::TDLLObject* driver = Process::Instance().ThreadDriver();
    bool before = driver->EnLog();
    char* msg = reinterpret_cast<char*>(1);
    WriteLog(!before, &msg);
    EXPECT_EQ(msg, nullptr);
    EXPECT_EQ(driver->EnLog(), before);
    driver->WriteCommEvent("pending");
    WriteLog(!before, &msg);
    EXPECT_EQ(Take(msg), "pending");
    EXPECT_EQ(driver->EnLog(), !before);
    EXPECT_TRUE(driver->sErrEvent().empty());
  });
}

TEST_F(RuntimeApiTest, ReinitialisingAThreadReleasesItsOldObject) {
  OnThread([&] {
    std::vector<TTagInfo> tags = {Tag(1, "line", "COMMLINK", kAnalog)};
    ASSERT_TRUE(Init(tags, nullptr));
    ASSERT_TRUE(Init(tags, nullptr));
    // The first object was stopped (its run report written) and destroyed.
    EXPECT_EQ(LogText().find("退出运行！"), LogText().rfind("退出运行！"));
    EXPECT_NE(LogText().find("退出运行！"), std::string::npos);
  });
}

TEST_F(RuntimeApiTest, ConcurrentInitialisationWaitsForTheGuard) {
  std::vector<TTagInfo> tags = {Tag(1, "line", "COMMLINK", kAnalog)};
  platform::AutoResetEvent* guard = Process::Instance().InitGuard();
  ASSERT_NE(guard, nullptr);

  // A second thread waits while the guard is held, and goes on once it is given back.
  ASSERT_TRUE(guard->Wait(0));
  std::atomic<bool> done{false};
  bool result = false;
  std::thread waiter([&] {
    std::vector<TTagInfo> own = tags;
    result = Init(own, nullptr);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(done.load());
  guard->Signal();
  waiter.join();
  EXPECT_TRUE(result);

  // Held for longer than 5000 ms, the guard turns the caller away.
  ASSERT_TRUE(guard->Wait(0));
  std::string message;
  std::thread refused([&] {
    std::vector<TTagInfo> own = tags;
    char* msg = nullptr;
    EXPECT_FALSE(Init(own, &msg));
    message = Take(msg);
  });
  refused.join();
  guard->Signal();
  EXPECT_EQ(message, "设备不支持并发访问，共享冲突。");

  // Several threads initialising at once each get their own object.
  std::vector<std::thread> threads;
  std::atomic<int> succeeded{0};
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      std::vector<TTagInfo> own = tags;
      if (Init(own, nullptr) && Process::Instance().ThreadDriver() != nullptr) ++succeeded;
      int32_t count = 0;
      TTagValue values[1];
      OnDataRead(&count, values, nullptr);
      FreeDriver();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(succeeded.load(), 4);
}

}  // namespace
}  // namespace vdinv::host
