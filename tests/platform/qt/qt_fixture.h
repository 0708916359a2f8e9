// Tests of the Qt toolkit run on Qt's offscreen platform (QT_QPA_PLATFORM in their CTest
// environment), with the application the toolkit makes for the process.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/qt_toolkit.h"

namespace vdinv::platform::qt {

class QtFixture : public testing::Test {
 protected:
  void SetUp() override {
    toolkit_ = ProcessToolkit();
    ASSERT_NE(toolkit_, nullptr);
  }

  // The open top-level window of this object name, or null.
  template <typename Window = QWidget>
  static Window* TopLevel(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == name && widget->isVisible()) {
        return qobject_cast<Window*>(widget);
      }
    }
    return nullptr;
  }

  // Runs the script from inside the modal loop that is running then.
  static void Soon(std::function<void()> script) { QTimer::singleShot(0, std::move(script)); }

  IToolkit* toolkit_ = nullptr;
};

// Records the events of a form, in a short readable form, and runs the test's reactions.
class ScriptedEvents : public IFormEvents {
 public:
  std::function<void(IForm&)> opened;
  std::function<void(IForm&, const Event&)> react;
  std::vector<std::string> seen;
  IForm* form = nullptr;

  void Opened(IForm& opened_form) override {
    form = &opened_form;
    if (opened) opened(opened_form);
  }
  void Handle(IForm& handled, const Event& event) override {
    if (event.kind != EventKind::kActivated && event.kind != EventKind::kDeactivated) {
      seen.push_back(Describe(event));
    }
    if (react) react(handled, event);
  }

  static std::string Describe(const Event& event) {
    static const char* const kNames[] = {"Clicked",     "DoubleClicked", "Edited", "Left",
                                         "Selected",    "KeyReleased",   "Timer",  "Activated",
                                         "Deactivated", "FrameClosed"};
    std::string text = kNames[static_cast<int>(event.kind)];
    if (!event.control.empty()) text += " " + event.control;
    switch (event.kind) {
      case EventKind::kClicked:
        if (event.index >= 0) text += " #" + std::to_string(event.index);
        if (event.checked) text += " on";
        break;
      case EventKind::kEdited:
        text += " " + event.text;
        for (const std::string& line : event.items) text += " " + line;
        break;
      case EventKind::kLeft:
        text += " " + event.text;
        break;
      case EventKind::kSelected:
      case EventKind::kDoubleClicked:
        if (event.index >= 0) text += " #" + std::to_string(event.index);
        break;
      case EventKind::kKeyReleased:
        text += " key " + std::to_string(event.key);
        break;
      case EventKind::kTimer:
        text += " " + std::to_string(event.timer);
        break;
      default:
        break;
    }
    return text;
  }
};

}  // namespace vdinv::platform::qt
