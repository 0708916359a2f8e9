#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <map>
#include <stdexcept>
#include <thread>

#include "platform/qt/controls.h"
#include "qt_fixture.h"

namespace vdinv::platform::qt {
namespace {

using testing::ElementsAre;
using testing::IsSupersetOf;

ControlPlan Control(std::string name, ControlKind kind, int x, int y, int w, int h,
                    std::string parent = {}) {
  ControlPlan plan;
  plan.name = std::move(name);
  plan.kind = kind;
  plan.x = x;
  plan.y = y;
  plan.width = w;
  plan.height = h;
  plan.parent = std::move(parent);
  return plan;
}

// One control of each kind.
FormPlan EveryKindForm() {
  FormPlan form;
  form.name = "TEveryKindFrm";
  form.caption = "每种控件";
  form.width = 480;
  form.height = 360;
  form.controls = {
      Control("Caption", ControlKind::kLabel, 8, 8, 200, 16),
      Control("OkBtn", ControlKind::kButton, 390, 320, 80, 25),
      Control("ModeGrp", ControlKind::kGroup, 8, 30, 200, 70),
      Control("ModeGrp0", ControlKind::kRadio, 10, 18, 120, 20, "ModeGrp"),
      Control("ModeGrp1", ControlKind::kRadio, 10, 42, 120, 20, "ModeGrp"),
      Control("LogChk", ControlKind::kCheck, 8, 110, 120, 20),
      Control("NameEdt", ControlKind::kEdit, 8, 140, 150, 22),
      Control("PortCmb", ControlKind::kDropDown, 8, 170, 150, 22),
      Control("TextMem", ControlKind::kMemo, 220, 8, 250, 90),
      Control("DevTree", ControlKind::kTree, 220, 110, 250, 90),
      Control("ValueGrid", ControlKind::kGrid, 220, 210, 250, 100),
      Control("StatePnl", ControlKind::kPanel, 8, 200, 200, 40),
      Control("Progress", ControlKind::kProgress, 4, 4, 190, 16, "StatePnl"),
  };
  form.controls[1].isDefault = true;
  form.controls[6].editable = true;
  form.controls[8].editable = true;
  form.controls[10].columns = 2;
  form.controls[10].rows = 3;
  form.controls[10].columnWidths = {100, 120};
  return form;
}

ControlKind KindOf(const FormPlan& form, const std::string& name) {
  for (const ControlPlan& control : form.controls) {
    if (control.name == name) return control.kind;
  }
  return ControlKind::kPanel;
}

// The first state of each control: only the fields its kind shows are set.
std::map<std::string, ControlState> FirstStates() {
  std::map<std::string, ControlState> states;
  states["Caption"].text = "设备地址:";
  states["Caption"].enabled = false;
  states["OkBtn"].text = "确定";
  states["ModeGrp"].text = "方式";
  states["ModeGrp0"].text = "单个";
  states["ModeGrp0"].checked = true;
  states["ModeGrp1"].text = "多个";
  states["LogChk"].text = "日志";
  states["NameEdt"].text = "";
  states["PortCmb"].items = {"COM1", "COM2", "COM3"};
  states["PortCmb"].index = 0;
  states["TextMem"].items = {"第一行", "第二行"};
  states["DevTree"].items = {"1号 G11S", "2号 P11S", "3号 G11S"};
  states["DevTree"].index = 0;
  states["ValueGrid"].cells = {{"代码", "数值"}, {"F03", "3000"}, {"M09", "-120"}};
  states["StatePnl"].visible = false;
  states["Progress"].position = 40;
  states["Progress"].maximum = 200;
  return states;
}

class FormTest : public QtFixture {
 protected:
  template <typename Widget = QWidget>
  static Widget* Find(const char* form, const char* name) {
    QWidget* window = TopLevel(form);
    return window ? window->findChild<Widget*>(name) : nullptr;
  }
};

TEST_F(FormTest, ControlsShowTheirStatesAndRaiseEventsForUserActionsOnly) {
  const FormPlan plan = EveryKindForm();
  const std::map<std::string, ControlState> first = FirstStates();
  ScriptedEvents events;
  events.opened = [&](IForm& form) {
    for (const auto& [name, state] : first) form.Apply(name, state);
  };
  std::vector<std::string> beforeApply;
  std::vector<std::string> afterApply;
  Soon([&] {
    QWidget* window = TopLevel("TEveryKindFrm");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QString("每种控件"));
    EXPECT_EQ(window->size(), QSize(480, 360));
    for (const auto& [name, state] : first) {
      auto* widget = window->findChild<QWidget*>(QString::fromStdString(name));
      ASSERT_NE(widget, nullptr) << name;
      EXPECT_EQ(ShownState(*widget, KindOf(plan, name)), state) << name;
    }
    EXPECT_TRUE(Find<QPushButton>("TEveryKindFrm", "OkBtn")->isDefault());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    const QPoint onText(8, 10);  // options and check boxes take clicks on their box and text

    QTest::mouseClick(Find("TEveryKindFrm", "OkBtn"), Qt::LeftButton);
    QTest::mouseClick(Find("TEveryKindFrm", "ModeGrp1"), Qt::LeftButton, {}, onText);
    QTest::mouseDClick(Find("TEveryKindFrm", "ModeGrp1"), Qt::LeftButton, {}, onText);
    QTest::mouseClick(Find("TEveryKindFrm", "LogChk"), Qt::LeftButton, {}, onText);
    auto* edit = Find<QLineEdit>("TEveryKindFrm", "NameEdt");
    edit->setFocus();
    QTest::keyClicks(edit, "ab");
    Find("TEveryKindFrm", "PortCmb")->setFocus();  // leaves the edit
    QTest::keyClick(Find("TEveryKindFrm", "PortCmb"), Qt::Key_Down);
    auto* tree = Find<QTreeWidget>("TEveryKindFrm", "DevTree");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->topLevelItem(2)).center());
    QTest::keyRelease(tree, Qt::Key_Delete);
    QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(300, 340));
    auto* memo = Find<QPlainTextEdit>("TEveryKindFrm", "TextMem");
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "!");
    events.form->StartTimer(7, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return events.seen.back() == "Timer 7"; }, 2000));
    events.form->StopTimer(7);

    // The program's own changes raise nothing; an edit set to what it holds keeps its cursor.
    beforeApply = events.seen;
    edit->setCursorPosition(1);
    std::map<std::string, ControlState> next = first;
    next["NameEdt"].text = "ab";
    next["ModeGrp0"].checked = false;
    next["ModeGrp1"].checked = false;
    next["LogChk"].checked = true;
    next["PortCmb"].items = {"COM4"};
    next["DevTree"].index = 1;
    next["TextMem"].items = {"第一行", "第二行", "第三行"};
    next["ValueGrid"].cells = {{"代码", "数值"}, {"F03", "4000"}};
    next["StatePnl"].visible = true;
    for (const auto& [name, state] : next) events.form->Apply(name, state);
    EXPECT_EQ(edit->cursorPosition(), 1);
    for (const auto& [name, state] : next) {
      auto* widget = window->findChild<QWidget*>(QString::fromStdString(name));
      EXPECT_EQ(ShownState(*widget, KindOf(plan, name)), state) << name;
    }
    afterApply = events.seen;
    window->close();  // by the frame
  });
  toolkit_->ShowModal(plan, events, 0);

  EXPECT_THAT(beforeApply,
              IsSupersetOf({"Clicked OkBtn", "Clicked ModeGrp1 on", "DoubleClicked ModeGrp1",
                            "Clicked LogChk on", "Edited NameEdt a", "Edited NameEdt ab",
                            "Left NameEdt ab", "Selected PortCmb #1", "Selected DevTree #2",
                            "Clicked DevTree #2", "KeyReleased DevTree key 46", "DoubleClicked",
                            "Edited TextMem  第一行 第二行!", "Timer 7"}));
  EXPECT_EQ(afterApply, beforeApply);
  EXPECT_EQ(events.seen.back(), "FrameClosed");
}

TEST_F(FormTest, AFormStaysOpenUnderNestedFormsAndAMessageBoxOverItsHiddenSelf) {
  FormPlan outer;
  outer.name = "TOuterFrm";
  outer.width = 300;
  outer.height = 200;
  outer.controls = {Control("OpenBtn", ControlKind::kButton, 10, 10, 80, 25),
                    Control("MsgBtn", ControlKind::kButton, 10, 40, 80, 25),
                    Control("DoneBtn", ControlKind::kButton, 10, 70, 80, 25)};
  FormPlan inner;
  inner.name = "TInnerFrm";
  inner.width = 200;
  inner.height = 100;
  inner.controls = {Control("InnerBtn", ControlKind::kButton, 10, 10, 80, 25)};

  ScriptedEvents innerEvents;
  innerEvents.react = [](IForm& form, const Event&) { form.Close(); };
  ScriptedEvents outerEvents;
  bool hiddenUnderBox = false;
  outerEvents.react = [&](IForm& form, const Event& event) {
    if (event.control == "OpenBtn") toolkit_->ShowModal(inner, innerEvents, 0);
    if (event.control == "MsgBtn") {
      form.Hide();
      toolkit_->MessageBox("提示", "设备已删除", MessageIcon::kWarning);
      form.Show();
    }
    if (event.control == "DoneBtn") {
      form.Close();
      throw std::runtime_error("a fault in a handler");  // never reaches Qt
    }
  };
  Soon([&] {
    Soon([&] {
      ASSERT_NE(TopLevel("TInnerFrm"), nullptr);
      EXPECT_EQ(QApplication::activeModalWidget(), TopLevel("TInnerFrm"));
      QTest::mouseClick(TopLevel("TInnerFrm")->findChild<QWidget*>("InnerBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(TopLevel("TOuterFrm")->findChild<QWidget*>("OpenBtn"), Qt::LeftButton);
    EXPECT_EQ(TopLevel("TInnerFrm"), nullptr);

    QWidget* outerWindow = TopLevel("TOuterFrm");
    Soon([&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), QString("设备已删除"));
      EXPECT_EQ(box->icon(), QMessageBox::Warning);
      hiddenUnderBox = !outerWindow->isVisible();
      box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(outerWindow->findChild<QWidget*>("MsgBtn"), Qt::LeftButton);
    ASSERT_NE(TopLevel("TOuterFrm"), nullptr);  // shown again, still open
    QTest::mouseClick(outerWindow->findChild<QWidget*>("DoneBtn"), Qt::LeftButton);
  });
  toolkit_->ShowModal(outer, outerEvents, 0);

  EXPECT_TRUE(hiddenUnderBox);
  EXPECT_THAT(innerEvents.seen, ElementsAre("Clicked InnerBtn"));
  EXPECT_THAT(outerEvents.seen,
              ElementsAre("Clicked OpenBtn", "Clicked MsgBtn", "Clicked DoneBtn"));
}

TEST_F(FormTest, OnlyTheApplicationsThreadGetsTheToolkit) {
  IToolkit* elsewhere = toolkit_;
  std::thread([&] { elsewhere = ProcessToolkit(); }).join();
  EXPECT_EQ(elsewhere, nullptr);
  EXPECT_EQ(ProcessToolkit(), toolkit_);
}

}  // namespace
}  // namespace vdinv::platform::qt
