#include "ui/test_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_session.h"
#include "host/process.h"
#include "host/process_session.h"
#include "protocol/check_code.h"
#include "support/engine_fixture.h"
#include "support/fake_toolkit.h"
#include "ui/control_ids.h"
#include "ui/frame_text.h"
#include "ui/test_device.h"
#include "ui/toolkit_views.h"
#include "ui/views.h"

namespace vdinv::ui {
namespace {

// What the inverters on the line do with a request.
struct Inverters {
  bool answer = true;
  bool badCheck = false;  // the reply's check digits are wrong
};

// A line whose inverters answer every request at once: a read with the data word 0BB8 (3000),
// a write with its own data.
class AnsweringDevice : public test::FakeSerialDevice {
 public:
  AnsweringDevice(std::shared_ptr<test::FakeSerialLine> line, const Inverters& inverters)
      : FakeSerialDevice(line), line_(std::move(line)), inverters_(inverters) {}

  int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t timeout) override {
    const int32_t written = FakeSerialDevice::Write(bytes, count, timeout);
    const std::string frame(reinterpret_cast<const char*>(bytes), count);
    if (written <= 0 || !inverters_.answer || frame.size() < 8 || frame[0] != '\x01') {
      return written;
    }
    std::string body = frame.substr(1, frame.size() - 3);  // station to ETX
    const size_t enq = body.find('\x05');
    if (enq == std::string::npos) return written;
    body[enq] = '\x06';
    if (body[enq + 1] == 'R') body.replace(body.size() - 5, 4, "0BB8");
    std::string check = protocol::CheckDigits(body);
    if (inverters_.badCheck) check = check == "00" ? "01" : "00";
    line_->Arrive("\x01" + body + check);
    return written;
  }

 private:
  std::shared_ptr<test::FakeSerialLine> line_;
  const Inverters& inverters_;
};

class FakeViews : public IViews {
 public:
  void Show(StartPage&) override {}
  void Show(ConnectionPage&) override {}
  void Show(SingleDevicePage&) override {}
  void Show(DeviceListPage&) override {}
  void Show(SerialPage&) override {}
  void Show(SummaryPage&) override {}
  void Show(DebugForm&) override {}
  void Show(TestWindow& window) override {
    ++shown;
    if (onShow) onShow(window);
  }
  void Inform(const std::string& text, bool) override { informed.push_back(text); }
  void Question(const std::string& text) override { asked.push_back(text); }
  bool Confirm(const std::string& text) override {
    asked.push_back(text);
    return true;
  }
  void OpenHelp(const std::string&) override {}
  uintptr_t SetOwnerWindow(uintptr_t) override { return 0; }
  std::optional<std::string> AskSavePath(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool PrintLines(const std::vector<std::string>&) override { return true; }

  std::function<void(TestWindow&)> onShow;
  int shown = 0;
  std::vector<std::string> informed;
  std::vector<std::string> asked;
};

// The test window run as its views would, over the fixture's session, on the base's clock.
template <typename Base, typename Session>
class WindowFixture : public Base {
 protected:
  TestWindow::SleepFunction Sleep() {
    return [this](uint32_t ms) { this->clock.Advance(ms); };
  }
  uint8_t TestDevice(uint8_t interactive, IViews* views) {
    return ui::TestDevice(&block, interactive, views, session, this->clock, Sleep());
  }
  // Runs the window shown, with the test's steps while it is shown.
  bool RunShown(const std::function<void(TestWindow&)>& steps) {
    views.onShow = steps;
    TestWindow window(session, this->clock, Sleep());
    return window.Run(&block, true, &views);
  }
  // Polls the shown window as its timer does, the clock moving on by the timer's interval.
  void Poll(TestWindow& window, int times) {
    for (int i = 0; i < times; ++i) {
      this->clock.Advance(window.Timer1Interval());
      window.Timer1Fired();
    }
  }

  Session session;
  FakeViews views;
  TDevParmBlock block = test::DevicesBlock({{3, kModelG11S}, {7, kModelP11S}});
};

// The window over the process's session: the driver object the library keeps for the calling
// thread, on a line whose inverters answer as the test says.
class TestWindowTest : public WindowFixture<test::EngineFixture, host::ProcessSession> {
 protected:
  void SetUp() override {
    host::Process& process = host::Process::Instance();
    process.UseClock(&clock);
    process.UseLogPath(logPath);
    process.UseSerialDevices([this] { return std::make_unique<AnsweringDevice>(line, inverters); });
  }
  void TearDown() override {
    host::Process& process = host::Process::Instance();
    process.ReplaceThreadDriver(nullptr);
    process.UseClock(nullptr);
    process.UseSerialDevices({});
    process.UseLogPath({});
  }
  // Polls until the driver has a command in execution (at most a second).
  void PollUntilInExecution(TestWindow& window) {
    for (int i = 0; i < 100 && !session.Current(); ++i) Poll(window, 1);
    ASSERT_TRUE(session.Current());
  }
  bool Wrote(const std::string& text) const {
    for (const std::string& frame : line->writes) {
      if (frame.find(text) != std::string::npos) return true;
    }
    return false;
  }

  Inverters inverters;
};

struct OnAFakeClock : ::testing::Test {
  test::FakeClock clock;
};

// The window's own rules, over a session the test shapes.
class TestWindowRules : public WindowFixture<OnAFakeClock, test::FakeSession> {};

// The silent check reads F03 of the smallest device; the first attempt comes one time-out
// (1000 ms) after the start, and the engine has had its reply by then. Without views an
// interactive call makes the same check.
TEST_F(TestWindowTest, SilentCheckPassesAfterOneTimeoutWhenTheDeviceAnswers) {
  for (uint8_t interactive : {0, 1}) {
    SCOPED_TRACE(interactive);
    line->writes.clear();
    const uint32_t start = clock.TickCount();
    EXPECT_EQ(TestDevice(interactive, nullptr), 1);
    EXPECT_EQ(clock.TickCount() - start, 1001u);
    ASSERT_FALSE(line->writes.empty());
    EXPECT_EQ(line->writes[0].substr(0, 9),
              "\x01"
              "03\x05RF03 ");
    EXPECT_EQ(host::Process::Instance().ThreadDriver(), nullptr);  // freed, slot cleared
  }
}

// A block fresh from FullPDB keeps station 0 (its stored model name is empty): the test's
// private block is the copy that names each entry from its model.
TEST_F(TestWindowTest, AFreshBlocksStationZeroIsTested) {
  FullPdb(&block);
  block.Devices[0].ModelName.Set({});
  EXPECT_EQ(TestDevice(0, nullptr), 1);
  ASSERT_FALSE(line->writes.empty());
  EXPECT_EQ(line->writes[0].substr(0, 9),
            "\x01"
            "00\x05RF03 ");
}

// Only an accepted reply counts: no reply, or one with a wrong check code, fails after six
// attempts, each more than a time-out after the previous.
TEST_F(TestWindowTest, SilentCheckFailsAfterSixAttemptsWithoutAnAcceptedReply) {
  for (bool badCheck : {false, true}) {
    SCOPED_TRACE(badCheck);
    inverters.answer = badCheck;
    inverters.badCheck = badCheck;
    const uint32_t start = clock.TickCount();
    EXPECT_EQ(TestDevice(0, nullptr), 0);
    EXPECT_EQ(clock.TickCount() - start, 6u * 1001u);
    EXPECT_EQ(host::Process::Instance().ThreadDriver(), nullptr);
  }
}

TEST_F(TestWindowRules, WithoutADeviceNothingStartsAndTheResultIsZeroAtOnce) {
  block = test::DevicesBlock({});
  const uint32_t start = clock.TickCount();
  EXPECT_EQ(TestDevice(0, &views), 0);
  EXPECT_TRUE(views.asked.empty());  // the silent check shows nothing
  EXPECT_EQ(TestDevice(1, &views), 0);
  EXPECT_EQ(views.asked, std::vector<std::string>{"暂时不支持测试功能！"});
  EXPECT_EQ(views.shown, 0);
  EXPECT_EQ(clock.TickCount(), start);
  EXPECT_TRUE(session.started.empty());
  EXPECT_FALSE(session.Running());
}

// The table shows the tags and the command list; the request and the reply of the command in
// execution, and between exchanges the last ones seen.
TEST_F(TestWindowRules, TheTableShowsTheTagsTheCommandsAndTheExchange) {
  const std::string request =
      "\x01"
      "03\x05RF03 0000\x03"
      "5D";
  const std::string reply =
      "\x01"
      "03\x06RF03 0BB8\x03"
      "A1";
  const bool passed = RunShown([&](TestWindow& window) {
    EXPECT_EQ(window.SysMsg(), "Com1打开成功");
    EXPECT_EQ(window.AddrEd(), "F3:3");
    EXPECT_EQ(window.Timer1Interval(), 10u);
    window.Timer1Fired();
    EXPECT_EQ(window.Cell(1, 1), "(质量 00000000)");  // never read: no value yet
    session.requests = {request};
    session.current = host::Exchange{request, "", false};
    window.Timer1Fired();
    EXPECT_EQ(window.Cell(3, 1), ReadableFrame(request));
    EXPECT_EQ(window.AskMsg(), ReadableFrame(request));  // a request to start a raw command from
    EXPECT_EQ(window.Cell(2, 1), "读标签");
    EXPECT_EQ(window.Cell(3, 2), ReadableFrame(request));  // the command list
    session.current->reply = "noise";
    window.Timer1Fired();
    EXPECT_EQ(window.AnswerMsg(), "noise");
    EXPECT_FALSE(window.Passed());
    session.current.reset();  // the reply taken
    session.lastReply = reply;
    session.Answer(TagValue::Integer(3000));
    Poll(window, 2);
    EXPECT_TRUE(window.Passed());
    EXPECT_EQ(window.AnswerMsg(), ReadableFrame(reply));
    EXPECT_EQ(window.Cell(0, 1), "F3:3");
    EXPECT_EQ(window.Cell(1, 1), "3000");
    Poll(window, 3);  // between exchanges the last request and reply stay shown
    EXPECT_EQ(window.Cell(3, 1), ReadableFrame(request));
    EXPECT_EQ(window.AnswerMsg(), ReadableFrame(reply));
    EXPECT_EQ(window.Cell(0, 2), "");
    for (int row = 3; row < TestWindow::kRows; ++row) EXPECT_EQ(window.Cell(3, row), "");
  });
  EXPECT_TRUE(passed);
  EXPECT_EQ(views.shown, 1);
  EXPECT_EQ(session.stops, 1);  // closed with the window
  TestWindow fresh(session, clock, Sleep());
  const std::vector<std::string> header = {"标签地址", "标签值", "标签操作", "主机命令"};
  for (int column = 0; column < TestWindow::kColumns; ++column) {
    EXPECT_EQ(fresh.Cell(column, 0), header[static_cast<size_t>(column)]);
  }
}

// Through the toolkit: the window's timer runs at the scan time and fills the grid, advanced
// mode makes the window taller and shows its panel, and "退出" closes it.
TEST_F(TestWindowTest, TheShownWindowPollsOnItsTimerAndGrowsInAdvancedMode) {
  test::FakeToolkit toolkit;
  ToolkitViews shown(toolkit, "富士变频器");
  auto poll = [&] { return test::Call([&] { clock.Advance(10); }); };
  toolkit.Script({
      test::Call([&] { EXPECT_EQ(toolkit.Top().TimerInterval(1), 10u); }),
      test::FireTimer(1),
      poll(),
      test::FireTimer(1),
      poll(),
      test::FireTimer(1),
      test::Call([&] {
        const test::FakeForm& form = toolkit.Top();
        EXPECT_EQ(form.State(names::StringGrid1).cells[1][0], "F3:3");
        EXPECT_EQ(form.State(names::StringGrid1).cells[1][1], "3000");
        EXPECT_EQ(form.State(names::SysMsg).text, "Com1打开成功");
        EXPECT_EQ(form.ClientHeight(), TestWindow::kNormalHeight);
        EXPECT_FALSE(form.Shown(names::AddrEd));
      }),
      test::Click(names::DebugBtn),
      test::Call([&] {
        const test::FakeForm& form = toolkit.Top();
        EXPECT_EQ(form.ClientHeight(), TestWindow::kAdvancedHeight);
        EXPECT_TRUE(form.Shown(names::AddrEd));
        EXPECT_EQ(form.State(names::DebugBtn).text, "自动检测↑");
        EXPECT_FALSE(form.State(names::PauseBtn).enabled);
      }),
      test::Click(names::ExitBtn),
  });
  EXPECT_EQ(TestDevice(1, &shown), 1);
  EXPECT_EQ(toolkit.FormNames(), std::vector<std::string>{"TSampleTest"});
  EXPECT_EQ(toolkit.Form("TSampleTest").Caption(), "设备测试窗口");
  EXPECT_EQ(toolkit.ActionsLeft(), 0u);
  EXPECT_TRUE(toolkit.Faults().empty()) << ::testing::PrintToString(toolkit.Faults());
}

TEST(TableValueText, ShowsEachTypeAsTheTableDoes) {
  struct Case {
    uint8_t type;
    TagValue value;
    const char* text;
  };
  const Case cases[] = {
      {kAnalog, TagValue::Double(12.5), "12.5"},   {kAnalog, TagValue::Integer(-1), "-1"},
      {kSwitch, TagValue::Boolean(true), "开"},    {kSwitch, TagValue::Boolean(false), "关"},
      {kString, TagValue::String("00AB"), "00AB"}, {7, TagValue::Integer(5), "[Other Type]"},
  };
  for (const Case& c : cases) {
    TTagItem tag;
    tag.DataType = c.type;
    tag.Value = c.value;
    EXPECT_EQ(TableValueText(tag), c.text) << c.text;
  }
}

// A value shows once a read of it was answered; the quality shows while it is unread or bad.
TEST(TableValueCell, AValueOnlyOnceReadAndTheQualityWhileUnreadOrBad) {
  struct Case {
    uint32_t reads, failed, quality;
    const char* cell;
  } cases[] = {
      {0, 0, 0, "(质量 00000000)"},
      {3, 3, 0, "(质量 00000000)"},
      {1, 0, 0, "0"},
      {2, 1, 0x04000000, "0 (质量 04000000)"},
  };
  for (const Case& c : cases) {
    TTagItem tag;
    tag.DataType = kAnalog;
    tag.Value = TagValue::Integer(0);
    tag.ReadCount = c.reads;
    tag.ReadFailCount = c.failed;
    tag.Quality = c.quality;
    EXPECT_EQ(TableValueCell(tag), c.cell) << c.reads << " " << c.failed;
  }
}

TEST(WriteValueOf, TrueAndFalseInAnyCaseElseADecimalNumber) {
  struct Case {
    const char* text;
    std::optional<TagValue> value;
  };
  const Case cases[] = {
      {"true", TagValue::Boolean(true)},
      {"FaLsE", TagValue::Boolean(false)},
      {"12.5", TagValue::Double(12.5)},
      {" -3 ", TagValue::Double(-3)},
      {"+1e2", TagValue::Double(100)},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"12abc", std::nullopt},
      {"truee", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<TagValue> value = WriteValueOf(c.text);
    ASSERT_EQ(value.has_value(), c.value.has_value()) << c.text;
    if (value) {
      EXPECT_EQ(value->IsBoolean(), c.value->IsBoolean()) << c.text;
      EXPECT_EQ(*value, *c.value) << c.text;
    }
  }
}

// Advanced mode shows the panel; leaving it starts the test tag afresh and lets "暂停" be used
// again.
TEST_F(TestWindowRules, AdvancedModeTogglesTheCaptionHeightAndPause) {
  RunShown([&](TestWindow& window) {
    EXPECT_EQ(window.DebugBtnCaption(), "高级调试↓");
    window.DebugBtnClicked();
    EXPECT_EQ(window.DebugBtnCaption(), "自动检测↑");
    EXPECT_EQ(window.Height(), 464);
    EXPECT_FALSE(window.PauseBtnEnabled());
    const size_t starts = session.started.size();
    window.DebugBtnClicked();
    EXPECT_EQ(window.DebugBtnCaption(), "高级调试↓");
    EXPECT_EQ(window.Height(), 256);
    EXPECT_TRUE(window.PauseBtnEnabled());
    ASSERT_EQ(session.started.size(), starts + 1);  // re-initialised
    EXPECT_STREQ(session.started.back().TagAddr, "F3:3");
    EXPECT_TRUE(window.Ready());
    EXPECT_EQ(window.SysMsg(), "Com1打开成功");
    EXPECT_TRUE(views.informed.empty());
  });
}

TEST_F(TestWindowRules, PauseStopsTheTableAndTheReadsUntilResumed) {
  session.onPoll = [](test::FakeSession& s) { s.Answer(TagValue::Integer(3000)); };
  const bool passed = RunShown([&](TestWindow& window) {
    window.PauseBtnClicked();
    EXPECT_EQ(window.PauseBtnCaption(), "继续");
    EXPECT_FALSE(window.Timer1Enabled());
    Poll(window, 3);
    EXPECT_EQ(session.polls, 0);
    EXPECT_EQ(window.Cell(0, 1), "");
    window.PauseBtnClicked();
    EXPECT_EQ(window.PauseBtnCaption(), "暂停");
    Poll(window, 2);
    EXPECT_EQ(window.Cell(0, 1), "F3:3");
  });
  EXPECT_TRUE(passed);
}

TEST_F(TestWindowRules, TypingUnticksTheOperations) {
  RunShown([&](TestWindow& window) {
    window.ReadCkClicked();
    window.WriteCkClicked();
    ASSERT_TRUE(window.ReadCk() && window.WriteCk());
    window.WValueMsgTyped("5");
    EXPECT_TRUE(window.ReadCk());
    EXPECT_FALSE(window.WriteCk());
    window.WriteCkClicked();
    window.AddrEdTyped("F3:4");
    EXPECT_FALSE(window.ReadCk());
    EXPECT_FALSE(window.WriteCk());
    EXPECT_FALSE(window.WriteCkEnabled());
  });
}

// Reading an address of one's own re-initialises the thread's driver: the old object is
// stopped and released, and the window polls, writes to and finally stops the new one.
TEST_F(TestWindowTest, HandMadeReadAndWriteGoToTheNewDriverObject) {
  RunShown([&](TestWindow& window) {
    window.DebugBtnClicked();
    window.AddrEdTyped("f3：5");
    window.ReadCkClicked();
    EXPECT_EQ(window.AddrEd(), "F3:5.-1");  // the driver's normal form
    EXPECT_TRUE(window.Ready());
    EXPECT_TRUE(window.WriteCkEnabled());
    window.Timer1Fired();
    EXPECT_EQ(window.Cell(1, 1), "(质量 00000000)");  // its initial -1 is no reading
    Poll(window, 2);
    EXPECT_EQ(window.Cell(0, 1), "F3:5.-1");
    EXPECT_EQ(window.Cell(1, 1), "3000");
    EXPECT_NE(window.AnswerMsg().find("RF05 0BB8<ETX>"), std::string::npos);  // the reply taken
    EXPECT_TRUE(Wrote("RF05"));
    line->writes.clear();
    window.WValueMsgTyped("12");
    PollUntilInExecution(window);
    window.WriteCkClicked();
    Poll(window, 40);
    EXPECT_TRUE(Wrote("\x05WF05 000C\x03"));
    window.Close();
    ASSERT_NE(host::Process::Instance().ThreadDriver(), nullptr);
    EXPECT_TRUE(host::Process::Instance().ThreadDriver()->Stopped());
  });
}

// "发送命令" replaces the request of the command in execution by the typed text (control
// characters typed by name) and CR, at most 255 bytes; the engine sends it when that command is
// next due. After "读操作" restarted the driver, the command waits for the new object's first
// command; a click that cannot send says why.
TEST_F(TestWindowTest, ARawCommandReplacesTheRequestInExecution) {
  inverters.answer = false;
  RunShown([&](TestWindow& window) {
    window.AskMsgTyped("");
    window.AskBtnClicked();
    EXPECT_EQ(views.informed, std::vector<std::string>{"请先在命令串中输入要发送的命令。"});
    window.Timer1Fired();
    window.AskMsgTyped("<soh>XY<ETX>");
    window.AskBtnClicked();
    window.Timer1Fired();
    EXPECT_EQ(window.Cell(3, 2), "<SOH>XY<ETX><CR>");
    Poll(window, 200);
    EXPECT_EQ(line->writes.back(), "\x01XY\x03\r");
    PollUntilInExecution(window);
    window.AskMsgTyped(std::string(300, 'A'));
    window.AskBtnClicked();
    window.Timer1Fired();
    EXPECT_EQ(window.Cell(3, 2), std::string(255, 'A'));

    window.DebugBtnClicked();
    window.ReadCkClicked();  // a new driver object, without a command in execution yet
    window.AskMsgTyped("Q");
    window.AskBtnClicked();
    EXPECT_EQ(window.SysMsg(), "命令将在下一次通讯时送出。");
    Poll(window, 200);
    EXPECT_TRUE(Wrote("Q\r"));
    EXPECT_EQ(window.SysMsg(), "命令已送出，应答显示在应答串中。");
  });
}

}  // namespace
}  // namespace vdinv::ui
