#include "platform/qt/form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "platform/qt/controls.h"

namespace vdinv::platform::qt {
namespace {

// The forms are laid out for a 9-point font at 96 dots per inch.
constexpr int kFontPixels = 12;

Event MakeEvent(EventKind kind, std::string control = {}) {
  Event event;
  event.kind = kind;
  event.control = std::move(control);
  return event;
}

int TreeIndex(const QTreeWidget& tree, QTreeWidgetItem* item) {
  return item != nullptr ? tree.indexOfTopLevelItem(item) : -1;
}

std::vector<std::string> Lines(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

}  // namespace

Form::Form(const FormPlan& plan, IFormEvents& events, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          (plan.topMost ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())),
      events_(events) {
  setObjectName(QString::fromStdString(plan.name));
  setWindowTitle(QString::fromStdString(plan.caption));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing a form never ends the host's application
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);
  setFixedSize(plan.width, plan.height);
  for (const ControlPlan& control : plan.controls) AddControl(control);
}

Form::~Form() {
  // The handler is gone by now; nothing may reach it from the widgets' destruction.
  finished_ = true;
}

void Form::AddControl(const ControlPlan& plan) {
  QWidget* parent = this;
  if (!plan.parent.empty()) {
    if (auto found = controls_.find(plan.parent); found != controls_.end()) {
      parent = found->second.widget;
    }
  }
  Control control{CreateControl(plan, parent), plan.kind};
  if (plan.kind == ControlKind::kRadio) {
    QButtonGroup*& group = radioGroups_[parent];
    if (group == nullptr) group = new QButtonGroup(parent);
    group->addButton(static_cast<QRadioButton*>(control.widget));
  }
  controls_[plan.name] = control;
  Connect(plan.name, control);
}

void Form::Connect(const std::string& name, const Control& control) {
  QWidget* widget = control.widget;
  auto send = [name](EventKind kind) { return MakeEvent(kind, name); };
  switch (control.kind) {
    case ControlKind::kButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
              [this, send] { Dispatch(send(EventKind::kClicked)); });
      break;
    case ControlKind::kRadio:
    case ControlKind::kCheck:
      connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
              [this, send](bool checked) {
                Event event = send(EventKind::kClicked);
                event.checked = checked;
                Dispatch(std::move(event));
              });
      if (control.kind == ControlKind::kRadio) widget->installEventFilter(this);
      break;
    case ControlKind::kEdit:
      connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, this,
              [this, send](const QString& text) {
                Event event = send(EventKind::kEdited);
                event.text = text.toStdString();
                Dispatch(std::move(event));
              });
      widget->installEventFilter(this);  // focus out
      break;
    case ControlKind::kDropDown:
      connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
              [this, send](int index) {
                Event event = send(EventKind::kSelected);
                event.index = index;
                Dispatch(std::move(event));
              });
      break;
    case ControlKind::kMemo: {
      auto* memo = static_cast<QPlainTextEdit*>(widget);
      connect(memo, &QPlainTextEdit::textChanged, this, [this, send, memo] {
        if (memo->isReadOnly()) return;
        Event event = send(EventKind::kEdited);
        event.items = Lines(memo->toPlainText());
        Dispatch(std::move(event));
      });
      break;
    }
    case ControlKind::kTree: {
      auto* tree = static_cast<QTreeWidget*>(widget);
      auto withIndex = [send, tree](EventKind kind, QTreeWidgetItem* item) {
        Event event = send(kind);
        event.index = TreeIndex(*tree, item);
        return event;
      };
      connect(tree, &QTreeWidget::currentItemChanged, this,
              [this, withIndex](QTreeWidgetItem* item) {
                Dispatch(withIndex(EventKind::kSelected, item));
              });
      connect(tree, &QTreeWidget::itemClicked, this, [this, withIndex](QTreeWidgetItem* item) {
        Dispatch(withIndex(EventKind::kClicked, item));
      });
      connect(tree, &QTreeWidget::itemDoubleClicked, this,
              [this, withIndex](QTreeWidgetItem* item) {
                Dispatch(withIndex(EventKind::kDoubleClicked, item));
              });
      widget->installEventFilter(this);  // key release
      break;
    }
    default:
      break;
  }
}

void Form::Dispatch(Event event) {
  if (finished_ || applying_ > 0) return;
  ++handlers_;
  try {
    events_.Handle(*this, event);
  } catch (...) {
    // A handler's fault never reaches Qt's event loop.
  }
  --handlers_;
  if (closing_ && handlers_ == 0) Finish();
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
  try {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || finished_) return false;
    const std::string name = widget->objectName().toStdString();
    switch (event->type()) {
      case QEvent::MouseButtonDblClick:
        if (qobject_cast<QRadioButton*>(widget) != nullptr) {
          Dispatch(MakeEvent(EventKind::kDoubleClicked, name));
        }
        break;
      case QEvent::FocusOut: {
        // The edit is left when the focus moves elsewhere in the form, not when the whole
        // window stops being active or a menu pops up.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit != nullptr && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason) {
          Event left = MakeEvent(EventKind::kLeft, name);
          left.text = edit->text().toStdString();
          Dispatch(std::move(left));
        }
        break;
      }
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* tree = qobject_cast<QTreeWidget*>(widget);
        const int code = WindowsKeyCode(key->key());
        if (tree != nullptr && !key->isAutoRepeat() && code != 0) {
          Event released = MakeEvent(EventKind::kKeyReleased, name);
          released.key = code;
          released.index = TreeIndex(*tree, tree->currentItem());
          Dispatch(std::move(released));
        }
        break;
      }
      default:
        break;
    }
  } catch (...) {
  }
  return false;
}

bool Form::event(QEvent* event) {
  try {
    if (event->type() == QEvent::WindowActivate) Dispatch(MakeEvent(EventKind::kActivated));
    if (event->type() == QEvent::WindowDeactivate) Dispatch(MakeEvent(EventKind::kDeactivated));
    return QDialog::event(event);
  } catch (...) {
    return true;
  }
}

void Form::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  Dispatch(MakeEvent(EventKind::kDoubleClicked));
}

void Form::closeEvent(QCloseEvent* event) {
  // The form closes itself after the handler has seen it, not in Qt's own way.
  event->ignore();
  FrameClosed();
}

void Form::reject() {
  FrameClosed();
}

void Form::FrameClosed() {
  if (finished_ || closing_) return;
  Dispatch(MakeEvent(EventKind::kFrameClosed));
  Close();
}

void Form::Finish() {
  if (finished_) return;
  finished_ = true;
  for (auto& [id, timer] : timers_) timer->stop();
  QDialog::setVisible(false);
  if (loop_ != nullptr) loop_->exit();
}

void Form::Run(uintptr_t owner) {
  ++handlers_;  // a Close from the first state waits until it is applied
  try {
    events_.Opened(*this);
  } catch (...) {
  }
  --handlers_;
  if (closing_) {
    finished_ = true;
    return;
  }
  UseOwner(owner);
  CentreOnScreen();
  // A loop of its own rather than QDialog::exec, which ends when the dialog is hidden: a form
  // stays open while it is hidden behind a message box.
  setWindowModality(Qt::ApplicationModal);
  QDialog::setVisible(true);
  raise();
  activateWindow();
  QEventLoop loop;
  loop_ = &loop;
  if (!finished_) loop.exec(QEventLoop::DialogExec);
  loop_ = nullptr;
  Finish();
}

void Form::UseOwner(uintptr_t owner) {
  // The host's window is the form's transient parent where the window system has one.
  if (owner == 0 || parentWidget() != nullptr || QGuiApplication::platformName() != "xcb") return;
  owner_.reset(QWindow::fromWinId(static_cast<WId>(owner)));
  if (owner_ == nullptr) return;
  winId();  // the native window, so that it can be given its parent
  if (QWindow* window = windowHandle()) window->setTransientParent(owner_.get());
}

void Form::CentreOnScreen() {
  QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void Form::Apply(const std::string& control, const ControlState& state) {
  auto found = controls_.find(control);
  if (found == controls_.end()) return;
  QWidget& widget = *found->second.widget;
  ++applying_;
  const bool blocked = widget.blockSignals(true);
  try {
    ApplyState(widget, found->second.kind, state);
  } catch (...) {
  }
  widget.blockSignals(blocked);
  --applying_;
}

void Form::SetCaption(const std::string& caption) {
  const QString title = QString::fromStdString(caption);
  if (windowTitle() != title) setWindowTitle(title);
}

void Form::SetClientHeight(int height) {
  if (this->height() != height) setFixedSize(width(), height);
}

void Form::StartTimer(int timer, uint32_t intervalMs) {
  QTimer*& qtimer = timers_[timer];
  if (qtimer == nullptr) {
    qtimer = new QTimer(this);
    connect(qtimer, &QTimer::timeout, this, [this, timer] {
      Event event = MakeEvent(EventKind::kTimer);
      event.timer = timer;
      Dispatch(std::move(event));
    });
  }
  qtimer->start(static_cast<int>(std::clamp<uint32_t>(intervalMs, 1, INT32_MAX)));
}

void Form::StopTimer(int timer) {
  if (auto found = timers_.find(timer); found != timers_.end()) found->second->stop();
}

void Form::Hide() {
  ++applying_;
  QDialog::setVisible(false);
  --applying_;
}

void Form::Show() {
  if (finished_) return;
  ++applying_;
  QDialog::setVisible(true);
  raise();
  activateWindow();
  --applying_;
}

void Form::Close() {
  closing_ = true;
  if (handlers_ == 0) Finish();
}

}  // namespace vdinv::platform::qt
