#include "ui/serial_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "common/process_values.h"
#include "ui/control_ids.h"
#include "ui/page_fixture.h"

namespace vdinv::ui {
namespace {

using test::PageFixture;
using ::testing::ElementsAre;

TEST(SerialPage, ShowsTheBlocksSettingsAndNoSelectionForACodeNotOffered) {
  PageFixture f;
  WizardRun& run = f.Begin([](TDevParmBlock& pdb) {
    test::SerialSettings{15, 14, 4, 1, 2}(pdb);
    pdb.OutTime = 750;
    pdb.WCount = 3;
  });
  SerialPage page(run, f.Words(), f.Views());
  EXPECT_EQ(page.ComChoices()[page.ComIndex()], "COM16");
  EXPECT_EQ(page.BautChoices()[page.BautIndex()], "256000");
  EXPECT_EQ(page.DataBitChoices()[page.DataBitIndex()], "8位");
  EXPECT_EQ(page.StopBitChoices()[page.StopBitIndex()], "1位半");
  EXPECT_EQ(page.ParityChoiceTexts()[page.ParityIndex()], "偶校验");
  EXPECT_EQ(page.OutTimeText(), "750");
  EXPECT_EQ(page.WCountText(), "3");
  EXPECT_FALSE(page.Get(names::InitStrEd).visible);
  EXPECT_TRUE(page.Get(names::SetGB).visible);

  f.Begin(test::SerialSettings{16, 15, 2, 3, 9});
  SerialPage odd(run, f.Words(), f.Views());
  EXPECT_EQ(odd.ComIndex(), -1);
  EXPECT_EQ(odd.BautIndex(), -1);
  EXPECT_EQ(odd.DataBitIndex(), -1);
  EXPECT_EQ(odd.StopBitIndex(), -1);
  EXPECT_EQ(odd.ParityIndex(), -1);
}

TEST(SerialPage, EachChoiceStoresItsCodeOrTheDefaultAndSetsTheChangedFlag) {
  struct Case {
    void (SerialPage::*choose)(int);
    int choice;
    uint8_t TDevParmBlock::*field;
    uint8_t stored;
  } cases[] = {
      {&SerialPage::ComChosen, 3, &TDevParmBlock::ComPort, 3},
      {&SerialPage::ComChosen, -1, &TDevParmBlock::ComPort, 1},
      {&SerialPage::BautChosen, 14, &TDevParmBlock::BaudIndex, 14},
      {&SerialPage::BautChosen, 15, &TDevParmBlock::BaudIndex, 6},
      {&SerialPage::DataBitClicked, 0, &TDevParmBlock::DataBits, 3},
      {&SerialPage::DataBitClicked, 5, &TDevParmBlock::DataBits, 4},
      {&SerialPage::StopBitClicked, 2, &TDevParmBlock::StopBits, 2},
      {&SerialPage::StopBitClicked, 3, &TDevParmBlock::StopBits, 0},
      {&SerialPage::ParityClicked, 1, &TDevParmBlock::Parity, 1},
      {&SerialPage::ParityClicked, -1, &TDevParmBlock::Parity, 0},
  };
  PageFixture f;
  for (const Case& c : cases) {
    WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.ComPort = pdb.BaudIndex = 9; });
    SerialPage page(run, f.Words(), f.Views());
    (page.*c.choose)(c.choice);
    EXPECT_EQ(run.Working().*c.field, c.stored) << c.choice;
    EXPECT_TRUE(run.Changed());
  }
}

// A number is clamped; a text that is no number keeps what the block held (1000 ms, 7).
TEST(SerialPage, LeavingAChangedEditClampsItsNumberIntoTheEditAndTheBlock) {
  struct Case {
    bool outTime;
    const char* typed;
    int32_t processWCount;
    const char* shown;
  } cases[] = {
      {true, "abc", 2, "1000"},    {true, "", 2, "1000"},     {true, "5", 2, "10"},
      {true, "70000", 2, "60000"}, {true, "2500", 2, "2500"}, {false, "", 2, "7"},
      {false, "x", 4, "7"},        {false, "11", 2, "10"},    {false, "1", 3, "3"},
      {false, "-7", 0, "0"},       {false, "5", 2, "5"},      {false, "3", 12, "10"},
  };
  int32_t saved = ProcessWCount();
  PageFixture f;
  for (const Case& c : cases) {
    SetProcessWCount(c.processWCount);
    WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.OutTime = 1000, pdb.WCount = 7; });
    SerialPage page(run, f.Words(), f.Views());
    if (c.outTime) {
      page.OutTimeLeft(c.typed);
      EXPECT_EQ(page.OutTimeText(), c.shown) << c.typed;
      EXPECT_EQ(std::to_string(run.Working().OutTime), c.shown);
    } else {
      page.WCountLeft(c.typed);
      EXPECT_EQ(page.WCountText(), c.shown) << c.typed;
      EXPECT_EQ(std::to_string(run.Working().WCount), c.shown);
    }
    EXPECT_EQ(run.Changed(), std::string(c.shown) != (c.outTime ? "1000" : "7")) << c.typed;
  }
  SetProcessWCount(saved);
}

TEST(SerialPage, LeavingAnEditUnchangedDoesNothing) {
  PageFixture f;
  WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.OutTime = 5, pdb.WCount = 20; });
  SerialPage page(run, f.Words(), f.Views());
  page.OutTimeLeft(page.OutTimeText());
  page.WCountLeft(page.WCountText());
  EXPECT_EQ(run.Working().OutTime, 5);
  EXPECT_EQ(run.Working().WCount, 20);
  EXPECT_FALSE(run.Changed());
}

TEST(SerialPage, TheInitialisationCommandIsTrimmedAndCutWithoutCountingAsAChange) {
  PageFixture f;
  WizardRun& run = f.Begin();
  SerialPage page(run, f.Words(), f.Views());
  page.InitStrLeft("  ATZ \t");
  EXPECT_EQ(run.Working().InitStr.Get(), "ATZ");
  page.InitStrLeft(std::string(60, 'A'));
  EXPECT_EQ(run.Working().InitStr.Get(), std::string(50, 'A'));
  EXPECT_EQ(page.InitStrText(), std::string(50, 'A'));
  EXPECT_FALSE(run.Changed());
}

TEST(SerialPage, TextsAndTheNoteWithAndWithoutAProductText) {
  PageFixture f;
  WizardRun& run = f.Begin();
  SerialPage page(run, f.Words(), f.Views());
  EXPECT_EQ(page.Caption(), "富士变频器向导：修改计算机串行口通讯参数");
  EXPECT_EQ(page.Get(names::Label2).text, "请修改串行口参数与变频器一致：");
  EXPECT_EQ(page.Get(names::SetGB).text, "高级设置");
  EXPECT_THAT(page.NoteLines(),
              ElementsAre("    在上位机中使用变频器时必须正确配置串行口参数。",
                          "    串行口指定计算机端的通讯口。",
                          "    除串口外的其它参数必须与变频器端设定的参数一致。"));
  UiContext product = test::DriverWords("组态软件");
  SerialPage withProduct(run, product, f.Views());
  EXPECT_EQ(withProduct.NoteLines()[0], "    在组态软件中使用变频器时必须正确配置串行口参数。");

  page.Next();
  EXPECT_EQ(run.NextPage(), kPageSummary);
  page.Back();
  EXPECT_EQ(run.NextPage(), kPageSerial);
}

// One and a half stop bits go with five data bits only, which the page does not offer: the
// page says why in its note while they are chosen and does not go on with them.
TEST(SerialPage, OneAndAHalfStopBitsAreExplainedAndNotTakenOn) {
  PageFixture f;
  WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.StopBits = 1; });
  SerialPage page(run, f.Words(), f.Views());
  const std::string reason =
      "    "
      "1位半停止位只能与5位数据位一起使用，串行口不接受7位或8位数据位配1位半停止位，请选择1位或2位"
      "停止位。";
  EXPECT_EQ(page.NoteLines().front(), reason);
  page.Next();
  EXPECT_FALSE(page.CloseRequested());
  ASSERT_EQ(f.Views().informed.size(), 1u);
  EXPECT_EQ(f.Views().informed[0].text, reason);
  page.StopBitClicked(2);
  EXPECT_EQ(page.NoteLines().size(), 3u);
  page.Next();
  EXPECT_EQ(run.NextPage(), kPageSummary);
}

}  // namespace
}  // namespace vdinv::ui
