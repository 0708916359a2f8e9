#include "uihost/script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTreeWidget>
#include <functional>
#include <iostream>
#include <sstream>

namespace vdinv::uihost {
namespace {

// Runs the action once the tick has returned: an action may open a window whose modal loop
// must go on ticking, and Qt never fires a timer again while its own handler still runs.
void Later(QWidget* widget, std::function<void(QWidget&)> action) {
  QPointer<QWidget> target(widget);
  QMetaObject::invokeMethod(
      widget,
      [target, action = std::move(action)] {
        if (target) action(*target);
      },
      Qt::QueuedConnection);
}

template <typename Widget>
Widget* Visible(QWidget& window, const std::string& name) {
  auto* widget = window.findChild<Widget*>(QString::fromStdString(name));
  return widget != nullptr && widget->isVisibleTo(&window) && widget->isEnabled() ? widget
                                                                                  : nullptr;
}

bool Click(QWidget& window, const std::string& name) {
  auto* button = Visible<QAbstractButton>(window, name);
  if (button == nullptr) return false;
  Later(button, [](QWidget& widget) {
    widget.setFocus(Qt::MouseFocusReason);  // the edit the user was in is left first
    static_cast<QAbstractButton&>(widget).click();
  });
  return true;
}

bool Type(QWidget& window, const std::string& name, const std::string& text) {
  auto* edit = Visible<QLineEdit>(window, name);
  if (edit == nullptr) return false;
  Later(edit, [typed = QString::fromStdString(text)](QWidget& widget) {
    auto& target = static_cast<QLineEdit&>(widget);
    target.setFocus(Qt::MouseFocusReason);
    target.selectAll();
    target.insert(typed);  // as typed: textEdited
  });
  return true;
}

bool Select(QWidget& window, const std::string& name, int index) {
  if (auto* combo = Visible<QComboBox>(window, name)) {
    if (index < 0 || index >= combo->count()) return false;
    Later(combo, [index](QWidget& widget) {
      auto& target = static_cast<QComboBox&>(widget);
      target.setFocus(Qt::MouseFocusReason);
      target.setCurrentIndex(index);
      emit target.activated(index);  // as chosen from the list
    });
    return true;
  }
  if (auto* tree = Visible<QTreeWidget>(window, name)) {
    if (index < 0 || index >= tree->topLevelItemCount()) return false;
    Later(tree, [index](QWidget& widget) {
      auto& target = static_cast<QTreeWidget&>(widget);
      target.setFocus(Qt::MouseFocusReason);
      target.setCurrentItem(target.topLevelItem(index));
    });
    return true;
  }
  return false;
}

void Close(QWidget& window) {
  window.close();
}

bool PressOk(QWidget& window) {
  auto* box = qobject_cast<QMessageBox*>(&window);
  if (box == nullptr || box->buttons().isEmpty()) return false;
  std::cout << "message: " << box->text().toStdString() << std::endl;
  Later(box->buttons().front(),
        [](QWidget& button) { static_cast<QAbstractButton&>(button).click(); });
  return true;
}

}  // namespace

Script::Script(std::vector<std::string> steps, int stepMs, int timeoutMs)
    : steps_(std::move(steps)), timeoutMs_(timeoutMs) {
  timer_.setInterval(stepMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void Script::Start() {
  waiting_.start();
  timer_.start();
}

void Script::Tick() {
  QWidget* window = QApplication::activeModalWidget();
  if (window == nullptr) return;
  if (Failed() || Finished()) {
    if (waiting_.elapsed() > timeoutMs_ || Failed()) Later(window, Close);
    return;
  }
  const std::string& step = steps_[next_];
  if (Take(*window, step)) {
    ++next_;
    waiting_.restart();
  } else if (waiting_.elapsed() > timeoutMs_) {
    error_ = "step \"" + step + "\" not taken on window " + window->objectName().toStdString();
  }
}

bool Script::Take(QWidget& window, const std::string& step) {
  std::istringstream words(step);
  std::string verb;
  std::string name;
  words >> verb >> name;
  std::string rest;
  std::getline(words >> std::ws, rest);
  if (verb == "window") return window.objectName().toStdString() == name;
  if (verb == "wait") return waiting_.elapsed() >= QString::fromStdString(name).toInt();
  if (verb == "click") return Click(window, name);
  if (verb == "type") return Type(window, name, rest);
  if (verb == "select") return Select(window, name, QString::fromStdString(rest).toInt());
  if (verb == "ok") return PressOk(window);
  if (verb == "close") {
    Later(&window, Close);
    return true;
  }
  if (verb == "shot") return window.grab().save(QString::fromStdString(name), "PNG");
  error_ = "unknown step \"" + step + "\"";
  return false;
}

}  // namespace vdinv::uihost
