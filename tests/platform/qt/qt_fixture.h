// Tests of the Qt toolkit run on Qt's offscreen platform with an application of their own, as a
// host with its own Qt application does (the toolkit never starts Qt on a screenless platform).
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

// The Qt application of a host that runs its own, on the offscreen platform; made once, kept
// for the whole process.
inline void StartHostApplication() {
  static int argc = 3;
  static char arguments[][16] = {"host", "-platform", "offscreen"};
  static char* argv[] = {arguments[0], arguments[1], arguments[2], nullptr};
  static QApplication* application =
      QApplication::instance() != nullptr ? nullptr : new QApplication(argc, argv);
  (void)application;
}

class QtFixture : public testing::Test {
 protected:
  void SetUp() override {
    StartHostApplication();
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
