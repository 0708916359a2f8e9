#include "ui/summary_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ui/control_ids.h"
#include "ui/page_fixture.h"

namespace vdinv::ui {
namespace {

using test::PageFixture;
using ::testing::ElementsAre;

TEST(SummaryPage, TheSerialNoteLinesUpTheParityTextsAfterTheBaudRate) {
  struct Case {
    test::SerialSettings settings;  // port, baud, data bits, stop bits, parity
    const char* lines[3];
  } cases[] = {
      {{0, 0, 4, 1, 0}, {"串口1", "波特率 = 110    无校验", "数据位 = 8位    停止位 = 1位半"}},
      {{15, 12, 3, 2, 2}, {"串口16", "波特率 = 115200 偶校验", "数据位 = 7位    停止位 = 2位"}},
      {{1, 2, 0, 0, 1}, {"串口2", "波特率 = 600    奇校验", "数据位 = 4位    停止位 = 1位"}},
      {{1, 6, 4, 0, 1}, {"串口2", "波特率 = 9600   奇校验", "数据位 = 8位    停止位 = 1位"}},
      {{1, 11, 9, 7, 7}, {"串口2", "波特率 = 57600  无校验", "数据位 = 8位    停止位 = 1位"}},
      {{1, 15, 4, 0, 2}, {"串口2", "波特率 = 9600", "数据位 = 8位    停止位 = 1位"}},
  };
  PageFixture f;
  for (const Case& c : cases) {
    WizardRun& run = f.Begin(c.settings);
    SummaryPage page(run, f.Words(), f.Views());
    EXPECT_THAT(page.ComArgMemoLines(), ElementsAre(c.lines[0], c.lines[1], c.lines[2]));
  }
}

TEST(SummaryPage, TheUsageNoteNamesTheHostOrTheProduct) {
  PageFixture f;
  WizardRun& run = f.Begin();
  SummaryPage page(run, f.Words(), f.Views());
  EXPECT_EQ(page.Caption(), "富士变频器向导：向导退出前的确认");
  EXPECT_EQ(page.Get(names::GroupBox4).text, "富士变频器使用说明");
  EXPECT_THAT(page.Memo5Lines(),
              ElementsAre("    每个与上位机相连的变频器在上位机的设备中都有一个唯一的设备号。",
                          "    在上位机的新建标签时，需要在标签主地址中指定设备号，"
                          "从而确定此标签在一个节点设备中属于的哪一个变频器。"));
  UiContext product = test::DriverWords("组态软件");
  SummaryPage withProduct(run, product, f.Views());
  EXPECT_THAT(withProduct.Memo5Lines(),
              ElementsAre("    每个与组态软件相连的变频器在上位机的设备中都有一个唯一的设备号。",
                          "    在组态软件的新建标签时，需要在标签主地址中指定设备号，"
                          "从而确定此标签在一个节点设备中属于的哪一个变频器。"));
  EXPECT_FALSE(page.Get(names::PrnBtn).visible);
}

TEST(SummaryPage, FinishWritesTheBlockBackAndLeavesTheFlagCancelWritesNothing) {
  PageFixture f({{0, kModelG11S}, {7, kModelP11S}});
  WizardRun& run = f.Begin();
  {
    SummaryPage page(run, f.Words(), f.Views());
    EXPECT_EQ(page.DeviceTree().size(), 2u);
    EXPECT_EQ(page.DeviceTree()[1].text, "7：P11S");
  }
  for (bool finish : {false, true}) {
    f.Begin();
    run.Working().Devices[0].Model = kModelNone;
    run.Working().Devices[7].Model = kModelNone;
    run.SetChanged();
    SummaryPage page(run, f.Words(), f.Views());
    EXPECT_TRUE(page.DeviceTree().empty());
    if (finish) {
      page.Finish();
    } else {
      page.Cancel();
    }
    EXPECT_EQ(run.NextPage(), kPageEnd);
    EXPECT_EQ(run.Changed(), finish);
    EXPECT_EQ(f.Host().Devices[7].Model, finish ? kModelNone : kModelP11S);
  }
}

}  // namespace
}  // namespace vdinv::ui
