#include "host/runtime_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "host/process.h"
#include "platform/text.h"
#include "support/engine_fixture.h"

namespace vdinv::host {
namespace {

using ::testing::HasSubstr;

// The line of the driver objects a thread makes, when a test chose one.
thread_local std::shared_ptr<test::FakeSerialLine> threadLine;

// Each scenario runs on a thread of its own, as each host thread has its own driver object;
// the object is destroyed when the thread ends.
class RuntimeApiTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    Process::Instance().UseClock(&clock);
    // Every driver object gets a line of its own: the threads of a test must not share one.
    Process::Instance().UseSerialDevices([] {
      return std::make_unique<test::FakeSerialDevice>(
          threadLine ? threadLine : std::make_shared<test::FakeSerialLine>());
    });
    Process::Instance().UseLogPath(logPath);
    block = Block({{1, kModelG11S}});
  }
  void TearDown() override {
    Process::Instance().UseClock(nullptr);
    Process::Instance().UseSerialDevices({});
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
    EXPECT_EQ(Take(msg), "Com1打开成功");  // the line's status
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

TEST_F(RuntimeApiTest, WithoutTheProtocolEveryExchangeTimesOut) {
  OnThread([&] {
    std::vector<TTagInfo> tags = {
        Tag(10, "line", "COMMLINK", kString), Tag(11, "state", "COMMLINK", kAnalog),
        Tag(12, "dev", "DEVICELINK1", kString), Tag(13, "speed", "F1:3", kAnalog)};
    ASSERT_TRUE(Init(tags, nullptr));
    protocol::TDLLObject& driver = *Process::Instance().ThreadDriver();
    std::vector<TTagValue> values(tags.size());
    int32_t count = -1;
    char* msg = nullptr;
    ASSERT_TRUE(OnDataRead(&count, values.data(), &msg));  // the first read goes out
    EXPECT_EQ(Take(msg), "<null>");
    ASSERT_EQ(count, 2);
    EXPECT_EQ(Take(values[0].Value.text), "富士变频器通讯始终不成功!");
    EXPECT_EQ(Take(values[1].Value.text), "1号变频器G11S通讯始终不成功!");

    // A poll a reply time after a send declares a time-out and (once the failing read is due
    // again) sends anew; the eleventh time-out is a severe fault. A device that never answered
    // keeps its texts, so nothing is reported.
    int timeouts = 0;
    for (int poll = 0; poll < 400 && timeouts < 12; ++poll) {
      clock.Advance(1001);
      ASSERT_TRUE(OnDataRead(&count, values.data(), &msg));
      const std::string message = Take(msg);
      if (message != "<null>") {
        ++timeouts;
        EXPECT_EQ(message, timeouts <= 10 ? "通讯超时错，期待设备应答"
                                          : "严重故障：连续通讯失败，请检查线路和设备")
            << timeouts;
      }
      EXPECT_EQ(count, 0) << poll;
      EXPECT_EQ(driver.CommStatus(), 0);
      EXPECT_EQ(driver.DevLinkStatus(1), 0);
    }
    EXPECT_EQ(timeouts, 12);
    EXPECT_EQ(driver.TagById(10)->Value.ToText(), platform::Utf8ToGbk("富士变频器通讯始终不成功!"));
    EXPECT_EQ(driver.TagById(12)->Value.ToText(),
              platform::Utf8ToGbk("1号变频器G11S通讯始终不成功!"));

    // A write is queued and the tag keeps its value; when every try has timed out, the tag is
    // reported with the failed write's quality and its old value.
    TTagValue record{};
    record.TagID = 13;
    record.DataType = kAnalog;
    record.Value.analog = 42;
    EXPECT_TRUE(OnDataWrite(1, &record, &msg));
    EXPECT_EQ(Take(msg), "<null>");
    EXPECT_EQ(driver.TagById(13)->Value, TagValue::Integer(0));
    EXPECT_EQ(driver.WriteQueue().size(), 1u);
    bool failed = false;
    for (int poll = 0; poll < 10 && !failed; ++poll) {
      clock.Advance(1001);
      ASSERT_TRUE(OnDataRead(&count, values.data(), &msg));
      std::free(msg);
      for (int32_t i = 0; i < count; ++i) {
        ASSERT_EQ(values[i].TagID, 13u);
        EXPECT_EQ(values[i].Quality, 0x04000000u);
        const double analog = values[i].Value.analog;  // the record is packed
        EXPECT_EQ(analog, 0.0);
        failed = true;
      }
    }
    EXPECT_TRUE(failed);
    EXPECT_TRUE(FreeDriver());
  });
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

TEST_F(RuntimeApiTest, ATagOfUnknownTypeIsServedButNoValueOfItIsReadOrWrittenAsText) {
  OnThread([&] {
    constexpr uint8_t kUnknown = 7;
    std::vector<TTagInfo> tags = {Tag(1, "odd", "F1:3", kUnknown),
                                  Tag(2, "speed", "F1:4", kAnalog)};
    ASSERT_TRUE(Init(tags, nullptr));
    protocol::TDLLObject& driver = *Process::Instance().ThreadDriver();
    ASSERT_NE(driver.TagById(1), nullptr);

    // The record's value bytes are no text pointer: the record is refused, also after a write
    // that was accepted, and nothing of it is queued.
    TTagValue records[2] = {};
    records[0].TagID = 2;
    records[0].DataType = kAnalog;
    records[0].Value.analog = 9;
    records[1].TagID = 1;
    records[1].DataType = kUnknown;
    std::fill(std::begin(records[1].Value.raw), std::end(records[1].Value.raw), uint8_t{0x5A});
    char* msg = nullptr;
    EXPECT_FALSE(OnDataWrite(1, &records[1], &msg));
    EXPECT_EQ(Take(msg), "<null>");
    EXPECT_FALSE(OnDataWrite(2, records, &msg));
    std::free(msg);
    EXPECT_EQ(driver.WriteQueue().size(), 1u);

    // Its report carries the type and no value.
    TTagItem& odd = *driver.TagById(1);
    odd.Value = TagValue::String("text");
    driver.TouchTag(odd);
    std::vector<TTagValue> values(tags.size());
    int32_t count = 0;
    ASSERT_TRUE(OnDataRead(&count, values.data(), &msg));
    std::free(msg);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(values[0].TagID, 1u);
    EXPECT_EQ(values[0].DataType, kUnknown);
    EXPECT_THAT(values[0].Value.raw, testing::Each(uint8_t{0}));
  });
}

TEST_F(RuntimeApiTest, WithoutAThreadSlotInitialisationAnswersFalse) {
  OnThread([&] {
    // With every thread key in use, the process state gets no thread slot.
    std::vector<std::unique_ptr<platform::ThreadSlot>> keys;
    for (int i = 0; i < 100000; ++i) {
      auto key = std::make_unique<platform::ThreadSlot>(nullptr);
      if (!key->Valid()) break;
      keys.push_back(std::move(key));
    }
    Process process;
    keys.clear();
    process.UseClock(&clock);
    process.UseLogPath(logPath);
    process.UseSerialDevices([] {
      return std::make_unique<test::FakeSerialDevice>(std::make_shared<test::FakeSerialLine>());
    });
    std::vector<TTagInfo> tags = {Tag(1, "line", "COMMLINK", kAnalog)};
    TTagInfo* list[1] = {&tags[0]};
    char* msg = reinterpret_cast<char*>(1);
    EXPECT_FALSE(InitDriver(process, 1, list, &block, &msg));
    EXPECT_EQ(msg, nullptr);
    EXPECT_EQ(process.ThreadDriver(), nullptr);
    // The guard was given back.
    EXPECT_TRUE(process.InitGuard()->Wait(0));
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

TEST_F(RuntimeApiTest, AWaitForABusyPortHoldsUpNoOtherLine) {
  const std::vector<TTagInfo> tags = {Tag(1, "line", "COMMLINK", kAnalog)};
  std::promise<void> waiting;
  std::promise<void> othersDone;
  std::shared_future<void> othersUp = othersDone.get_future().share();
  // The busy port's first attempt lasts until the other line is up; its second finds no serial
  // device, which ends the wait.
  auto busy = std::make_shared<test::FakeSerialLine>();
  busy->openResult = platform::SerialStatus::kBusy;
  busy->openResults = {platform::SerialStatus::kBusy, platform::SerialStatus::kNotSerial};
  busy->onOpenAttempt = [&, first = true]() mutable {
    if (!std::exchange(first, false)) return;
    waiting.set_value();
    othersUp.wait_for(std::chrono::seconds(10));
  };
  std::string busyMessage;
  std::thread busyLine([&] {
    threadLine = busy;
    std::vector<TTagInfo> own = tags;
    char* msg = nullptr;
    EXPECT_FALSE(Init(own, &msg));
    busyMessage = Take(msg);
  });
  waiting.get_future().wait();
  bool freeLineUp = false;
  std::string freeMessage;
  OnThread([&] {
    std::vector<TTagInfo> own = tags;
    char* msg = nullptr;
    freeLineUp = Init(own, &msg);
    freeMessage = Take(msg);
  });
  othersDone.set_value();
  busyLine.join();
  EXPECT_TRUE(freeLineUp) << freeMessage;
  EXPECT_THAT(busyMessage, HasSubstr("不存在或被其它程序占用！"));
}

}  // namespace
}  // namespace vdinv::host
