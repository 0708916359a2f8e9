#include "engine/link_status.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace vdinv::engine {
namespace {

constexpr bool kOn = true;

TEST(LinkStatusTest, ADeviceStepsThroughItsCodesWithItsFailures) {
  LinkStatus links;
  // Never answered: failures leave it there; the line stays "never answered" too.
  for (int i = 0; i < 3; ++i) links.Exchanged(1, false, kOn);
  EXPECT_EQ(links.Device(1), LinkCode::NeverAnswered);
  EXPECT_EQ(links.FailCount(1), -1);
  EXPECT_EQ(links.Line(), LinkCode::NeverAnswered);
  EXPECT_TRUE(links.InTrouble(1, true));
  EXPECT_FALSE(links.InTrouble(1, false));

  // The last column: its CommErr shows trouble after a failure.
  struct Step {
    bool success;
    LinkCode device;
    bool trouble;
  };
  const Step walk[] = {
      {true, LinkCode::Normal, false},        {false, LinkCode::Interference, false},
      {false, LinkCode::Interference, false}, {false, LinkCode::Interference, false},
      {false, LinkCode::Fault, true},         {false, LinkCode::Fault, true},
      {false, LinkCode::Fault, true},         {false, LinkCode::Fault, true},
      {false, LinkCode::Fault, true},         {false, LinkCode::Broken, true},
      {true, LinkCode::Normal, false},
  };
  int n = 0;
  for (const Step& step : walk) {
    links.Exchanged(1, step.success, kOn);
    ++n;
    EXPECT_EQ(links.Device(1), step.device) << n;
    EXPECT_EQ(links.InTrouble(1, true), step.trouble) << n;
    // Once the line has answered, a failure shows it faulty.
    EXPECT_EQ(links.Line(), step.success ? LinkCode::Normal : LinkCode::Fault) << n;
  }
  EXPECT_EQ(links.Device(2), LinkCode::NeverAnswered);  // the other device is not touched

  // A device switched off shows "paused" while its failures still count; with communication
  // off the line shows "paused" too.
  links.SetEnabled(1, false);
  links.Exchanged(1, true, kOn);
  EXPECT_EQ(links.Device(1), LinkCode::Paused);
  links.Exchanged(1, false, !kOn);
  EXPECT_EQ(links.Line(), LinkCode::Paused);
  EXPECT_EQ(links.FailCount(1), 1);

  links.ResetDevice(1);
  EXPECT_EQ(links.Device(1), LinkCode::NeverAnswered);
  EXPECT_EQ(links.FailCount(1), -1);
}

TEST(LinkStatusTest, ADeviceNumberOutsideTheTableTouchesOnlyTheLine) {
  for (int32_t device : {-1, 100, 150, 1 << 30}) {
    LinkStatus links;
    links.Exchanged(device, true, kOn);
    links.Exchanged(device, false, kOn);
    EXPECT_EQ(links.Line(), LinkCode::Fault) << device;
    EXPECT_EQ(links.Device(device), LinkCode::NeverAnswered) << device;
    for (int32_t d : {0, 1, 99}) EXPECT_EQ(links.FailCount(d), -1) << device;
  }
}

TEST(LinkStatusTest, EachCodeHasItsText) {
  struct Case {
    int32_t code;
    bool commEnabled;
    const char* text;
  };
  const Case cases[] = {
      {0, true, "通讯始终不成功!"},
      {0, false, "通讯暂停!"},
      {1, true, "通讯正常!"},
      {2, true, "通讯出现干扰!"},
      {3, true, "通讯出现故障!"},
      {4, true, "通讯线路断路!"},
      {5, true, "通讯暂停!"},
      {6, true, ""},
      {-1, true, ""},
      {257, true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::GbkToUtf8(LinkStatusText(c.code, c.commEnabled)), c.text) << c.code;
  }
  EXPECT_TRUE(LineUp(LinkCode::Fault));
  EXPECT_FALSE(LineUp(LinkCode::Broken));
}

}  // namespace
}  // namespace vdinv::engine
