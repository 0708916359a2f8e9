#include "ui/device_pages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "ui/control_ids.h"
#include "ui/page_fixture.h"

namespace vdinv::ui {
namespace {

using test::PageFixture;
using ::testing::ElementsAre;
using ::testing::Field;

class MockViews : public IViews {
 public:
  MOCK_METHOD(void, Show, (StartPage&), (override));
  MOCK_METHOD(void, Show, (ConnectionPage&), (override));
  MOCK_METHOD(void, Show, (SingleDevicePage&), (override));
  MOCK_METHOD(void, Show, (DeviceListPage&), (override));
  MOCK_METHOD(void, Show, (SerialPage&), (override));
  MOCK_METHOD(void, Show, (SummaryPage&), (override));
  MOCK_METHOD(void, Show, (DebugForm&), (override));
  MOCK_METHOD(void, Show, (TestWindow&), (override));
  MOCK_METHOD(void, Inform, (const std::string&, bool), (override));
  MOCK_METHOD(void, Question, (const std::string&), (override));
  MOCK_METHOD(bool, Confirm, (const std::string&), (override));
  MOCK_METHOD(void, OpenHelp, (const std::string&), (override));
  MOCK_METHOD(uintptr_t, SetOwnerWindow, (uintptr_t), (override));
  MOCK_METHOD(std::optional<std::string>, AskSavePath, (const std::string&, const std::string&),
              (override));
  MOCK_METHOD(bool, PrintLines, (const std::vector<std::string>&), (override));
};

std::vector<std::string> Texts(const std::vector<DeviceNode>& nodes) {
  std::vector<std::string> texts;
  for (const DeviceNode& n : nodes) texts.push_back(n.text);
  return texts;
}

uint8_t ModelOf(WizardRun& run, int number) {
  return run.Working().Devices[number].Model;
}

TEST(FirstFreeNumber, IsTheLowestFreeNumberBelow99And99WhenThoseAreTaken) {
  TDevParmBlock pdb = vdinv::test::DevicesBlock({});
  EXPECT_EQ(FirstFreeNumber(pdb), 0);
  pdb.Devices[0].Model = kModelG11S;
  pdb.Devices[2].Model = kModelG11S;
  EXPECT_EQ(FirstFreeNumber(pdb), 1);
  for (int i = 0; i < 99; ++i) pdb.Devices[i].Model = kModelP11S;
  EXPECT_EQ(FirstFreeNumber(pdb), 99);
  pdb.Devices[99].Model = kModelP11S;
  EXPECT_EQ(FirstFreeNumber(pdb), 99);
}

TEST(DevicePages, TextsComposeTheDriversWordsAndTheListPagesNameTheirOwnPage) {
  PageFixture f;
  WizardRun& run = f.Begin();
  MockViews views;
  SingleDevicePage single(run, f.Words(), f.Views());
  EXPECT_EQ(single.Caption(), "富士变频器向导：创建单个变频器");
  EXPECT_EQ(single.Get(names::Label1).text, "欢迎使用富士变频器配置向导");
  EXPECT_EQ(single.Get(names::Label2).text, "选择下面的变频器类型及其参数，然后用单击下一步按钮：");
  EXPECT_EQ(single.Get(names::GroupBox2).text, "变频器类型及参数");
  EXPECT_EQ(single.Get(names::DevTypeLabel).text, "变频器类型");
  EXPECT_EQ(single.Get(names::IDLabel).text, "设备号");
  EXPECT_EQ(single.Get(names::GroupBox3).text, "设备号说明");
  EXPECT_THAT(single.IdNoteLines(), ElementsAre("    富士变频器的设备号的取值范围从0至99"));
  EXPECT_EQ(single.Get(names::GroupBox4).text, "变频器支持的标签类型");
  EXPECT_THAT(single.DevTypeChoices(), ElementsAre("G11S", "P11S"));
  EXPECT_FALSE(single.Get(names::SlotEd).visible);

  struct Case {
    DeviceListPage::Mode mode;
    const char* caption;
    uint8_t page;
  };
  for (const Case& c :
       {Case{DeviceListPage::Mode::kCreate, "富士变频器向导：创建多个变频器", 5},
        Case{DeviceListPage::Mode::kModify, "富士变频器向导：修改变频器参数或删除变频器", 3}}) {
    f.Begin();
    DeviceListPage page(run, f.Words(), views, c.mode);
    EXPECT_EQ(run.NextPage(), kPageEnd);
    EXPECT_EQ(page.Caption(), c.caption);
    EXPECT_EQ(page.Get(names::Label2).text, "执行添加、删除、修改变频器操作后，单击下一步按钮");
    EXPECT_EQ(page.Get(names::DeviceTreeLabel).text, "设备配置图：");
    EXPECT_EQ(page.Get(names::AddBtn).text, "添加变频器");
    EXPECT_EQ(page.Get(names::DelBtn).text, "删除变频器");
    page.Next();
    EXPECT_EQ(run.NextPage(), kPageSerial);
    run.GoBack();
    EXPECT_EQ(run.NextPage(), c.page);
  }
}

TEST(DeviceListPage, ShowsTheDevicesInOrderAndTheFirstFreeNumber) {
  PageFixture f({{7, kModelP11S}, {0, kModelG11S}});
  WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.CurDevice = 3; });
  MockViews views;
  DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kModify);
  EXPECT_THAT(Texts(page.DeviceTree()), ElementsAre("0：G11S", "7：P11S"));
  EXPECT_EQ(page.DeviceTree()[1].entry, 7);
  EXPECT_EQ(page.IdText(), "1");
  EXPECT_EQ(page.DevTypeIndex(), 0);  // the model a device added at "1" gets
  EXPECT_EQ(page.SelectedNode(), -1);
}

// The device number is taken when the edit is left: the selected device moves there at once,
// a number of another device is refused, its own number or one without a selection says
// nothing, and a text that is no number puts back the number shown.
TEST(DeviceListPage, ALeftNumberMovesTheSelectedDeviceAndRefusesAnotherDevicesNumber) {
  PageFixture f({{0, kModelG11S}, {5, kModelP11S}, {20, kModelG11S}});
  WizardRun& run = f.Begin();
  MockViews views;
  DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kCreate);
  page.SelectNode(1);
  page.TreeClicked();
  EXPECT_EQ(page.IdText(), "5");
  EXPECT_EQ(page.DevTypeIndex(), 1);

  page.IdLeft("12");
  EXPECT_THAT(Texts(page.DeviceTree()), ElementsAre("0：G11S", "12：P11S", "20：G11S"));
  EXPECT_EQ(ModelOf(run, 5), kModelNone);
  EXPECT_EQ(run.Working().Devices[5].ModelName.Get(), "");
  EXPECT_EQ(ModelOf(run, 1), kModelNone);  // no stop on the way
  EXPECT_EQ(ModelOf(run, 12), kModelP11S);
  EXPECT_EQ(run.Working().CurDevice, 0);  // the first existing device
  EXPECT_TRUE(run.Changed());

  EXPECT_CALL(views, Inform("设备号重复,请重新修改!", true)).Times(1);
  TDevParmBlock before = run.Working();
  page.IdLeft("20");
  page.IdLeft("12");
  page.IdLeft("x");
  EXPECT_EQ(page.IdText(), "12");
  page.SelectNode(-1);
  page.IdLeft("0");  // only where "添加" would put a device
  EXPECT_EQ(page.DeviceTree()[1].entry, 12);
  EXPECT_EQ(std::memcmp(&before, &run.Working(), sizeof before), 0);
}

TEST(DeviceListPage, AFreeNumberLeftWithoutSelectionOnlySetsTheChangedFlag) {
  PageFixture f({{0, kModelG11S}});
  WizardRun& run = f.Begin();
  MockViews views;
  DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kCreate);
  TDevParmBlock before = run.Working();
  page.IdLeft("4");
  EXPECT_EQ(std::memcmp(&before, &run.Working(), sizeof before), 0);
  EXPECT_TRUE(run.Changed());
}

TEST(DevicePages, TheDeviceNumberEditClampsANumberAndKeepsItsOwnForOtherText) {
  struct Case {
    const char* typed;
    const char* shown;
  } cases[] = {{"42", "42"}, {"150", "99"}, {"-3", "0"}, {"7", "7"},
               {"abc", "7"}, {"", "7"},     {"4x", "7"}};
  PageFixture f;
  WizardRun& run = f.Begin();
  SingleDevicePage page(run, f.Words(), f.Views());
  for (const Case& c : cases) {
    page.IdLeft(c.typed);
    EXPECT_EQ(page.IdText(), c.shown) << c.typed;
  }
}

TEST(DeviceListPage, AddingOnATakenNumberGivesThatDeviceTheChosenModel) {
  PageFixture f({{0, kModelG11S}, {7, kModelP11S}});
  WizardRun& run = f.Begin();
  MockViews views;
  EXPECT_CALL(views, Inform).Times(0);
  DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kCreate);
  run.Working().Devices[7].DeviceFlag1 = 1;
  page.IdLeft("7");
  page.ModelChosen(0);
  page.AddClicked();
  EXPECT_THAT(Texts(page.DeviceTree()), ElementsAre("0：G11S", "7：G11S"));
  EXPECT_EQ(run.Working().Devices[7].DeviceFlag1, 0);
  EXPECT_EQ(page.IdText(), "1");

  page.ModelChosen(1);
  page.AddClicked();  // on the first free number
  EXPECT_THAT(Texts(page.DeviceTree()), ElementsAre("0：G11S", "1：P11S", "7：G11S"));
  EXPECT_EQ(run.Working().CurDevice, 2);  // the last node's position
  EXPECT_EQ(page.IdText(), "2");
  EXPECT_TRUE(run.Changed());
}

TEST(DeviceListPage, DeleteRemovesTheSelectedDeviceAndWithoutSelectionOnlySetsTheFlag) {
  enum How { kButton, kKey };
  for (How how : {kButton, kKey}) {
    PageFixture f({{0, kModelG11S}, {3, kModelP11S}});
    WizardRun& run = f.Begin();
    MockViews views;
    DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kModify);
    auto remove = [&] {
      if (how == kButton) {
        page.DeleteClicked();
      } else {
        page.TreeKeyReleased(DeviceListPage::kDeleteKey);
      }
    };
    remove();
    EXPECT_EQ(page.DeviceTree().size(), 2u);
    EXPECT_TRUE(run.Changed());

    page.SelectNode(0);
    remove();
    EXPECT_THAT(Texts(page.DeviceTree()), ElementsAre("3：P11S"));
    EXPECT_EQ(ModelOf(run, 0), kModelNone);
    EXPECT_EQ(page.IdText(), "0");
    EXPECT_EQ(page.SelectedNode(), -1);
  }
}

TEST(DeviceListPage, AnotherKeyShowsTheSelectedDeviceAndAModelChoiceChangesIt) {
  PageFixture f({{2, kModelG11S}, {4, kModelP11S}});
  WizardRun& run = f.Begin();
  MockViews views;
  DeviceListPage page(run, f.Words(), views, DeviceListPage::Mode::kModify);
  page.ModelChosen(1);  // no selection: only the flag
  EXPECT_EQ(ModelOf(run, 2), kModelG11S);
  EXPECT_TRUE(run.Changed());

  page.SelectNode(0);
  page.TreeKeyReleased(40);
  EXPECT_EQ(page.IdText(), "2");
  EXPECT_EQ(page.DevTypeIndex(), 0);
  run.Working().Devices[2].DeviceFlag2 = 1;
  page.ModelChosen(1);
  EXPECT_EQ(ModelOf(run, 2), kModelP11S);
  EXPECT_EQ(run.Working().Devices[2].DeviceFlag2, 0);
  EXPECT_EQ(page.DeviceTree()[0].text, "2：P11S");
}

TEST(SingleDevicePage, NextKeepsOnlyTheTypedDeviceWithTheChosenModelOnceConfirmed) {
  PageFixture f({{0, kModelG11S}, {3, kModelP11S}, {7, kModelG11S}});
  WizardRun& run = f.Begin([](TDevParmBlock& pdb) { pdb.CurDevice = 3; });
  SingleDevicePage page(run, f.Words(), f.Views());
  f.Views().confirmAnswer = false;
  page.Next();  // "取消": the page stays and the block keeps its three devices
  EXPECT_FALSE(page.CloseRequested());
  EXPECT_EQ(ModelOf(run, 7), kModelG11S);
  f.Views().confirmAnswer = true;
  EXPECT_EQ(page.IdText(), "3");
  EXPECT_EQ(page.DevTypeIndex(), 1);
  EXPECT_THAT(page.TagTypeMemoLines(),
              ElementsAre("   富士变频器P11S支持F、E、C、P、H、A、O、S、M、CommErr"));
  page.ModelChosen(-1);  // no selection counts as G11S
  EXPECT_THAT(page.TagTypeMemoLines(),
              ElementsAre("   富士变频器G11S支持F、E、C、P、H、A、O、S、M、CommErr"));
  page.IdLeft("9");
  page.Next();
  EXPECT_THAT(f.Views().asked,
              ElementsAre("其他已配置的2台变频器将被删除，只保留本页设定的一台。\r\n确定继续吗？",
                          "其他已配置的3台变频器将被删除，只保留本页设定的一台。\r\n确定继续吗？"));
  EXPECT_EQ(run.NextPage(), kPageSerial);
  EXPECT_FALSE(run.Changed());
  const TDevParmBlock& pdb = run.Working();
  EXPECT_EQ(pdb.CurDevice, 9);
  for (int i = 0; i < kDeviceCount; ++i) {
    EXPECT_EQ(pdb.Devices[i].Model, i == 9 ? kModelG11S : kModelNone) << i;
  }
  EXPECT_EQ(pdb.Devices[9].ModelName.Get(), "G11S");
  page.Next();  // nothing left to erase: no question
  EXPECT_EQ(f.Views().asked.size(), 2u);
}

// A stored block may carry any CurDevice; it never names an entry outside the block.
TEST(DevicePages, ACurrentDeviceBeyondTheEntriesCountsAsFree) {
  for (int32_t current : {-1, 100, 5000}) {
    PageFixture f({{0, kModelP11S}});
    WizardRun& run = f.Begin([&](TDevParmBlock& pdb) { pdb.CurDevice = current; });
    MockViews views;
    DeviceListPage list(run, f.Words(), views, DeviceListPage::Mode::kModify);
    EXPECT_EQ(list.DevTypeIndex(), 0);
    SingleDevicePage single(run, f.Words(), f.Views());
    EXPECT_EQ(single.DevTypeIndex(), 0);
    single.Next();
    EXPECT_EQ(run.Working().CurDevice, current < 0 ? 0 : 99);
    EXPECT_EQ(ModelOf(run, run.Working().CurDevice), kModelG11S);
  }
}

}  // namespace
}  // namespace vdinv::ui
