// One open window of the toolkit: a dialog built from its FormPlan that turns the user's actions
// into events for its handler, in a modal loop of its own.
#pragma once

#include <QDialog>
#include <QWindow>
#include <map>
#include <memory>
#include <string>

#include "platform/toolkit.h"

class QButtonGroup;
class QEventLoop;
class QTimer;

namespace vdinv::platform::qt {

class Form final : public QDialog, public IForm {
 public:
  // parent: the form this one is shown over, or null.
  Form(const FormPlan& plan, IFormEvents& events, QWidget* parent);
  ~Form() override;

  // Opens the form and runs its modal loop until it closes. owner: the host's X11 window, 0
  // for none.
  void Run(uintptr_t owner);

  void Apply(const std::string& control, const ControlState& state) override;
  void SetCaption(const std::string& caption) override;
  void SetClientHeight(int height) override;
  void StartTimer(int timer, uint32_t intervalMs) override;
  void StopTimer(int timer) override;
  void Hide() override;
  void Show() override;
  void Close() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  struct Control {
    QWidget* widget = nullptr;
    ControlKind kind = ControlKind::kLabel;
  };

  void AddControl(const ControlPlan& plan);
  void Connect(const std::string& name, const Control& control);
  void Dispatch(Event event);
  void FrameClosed();
  void Finish();
  void UseOwner(uintptr_t owner);
  void CentreOnScreen();

  IFormEvents& events_;
  std::map<std::string, Control> controls_;
  std::map<QWidget*, QButtonGroup*> radioGroups_;  // by the options' parent
  std::map<int, QTimer*> timers_;
  std::unique_ptr<QWindow> owner_;
  QEventLoop* loop_ = nullptr;
  int handlers_ = 0;  // handlers running (nested loops let them stack up)
  int applying_ = 0;  // changes from Apply raise no events
  bool closing_ = false;
  bool finished_ = false;
};

}  // namespace vdinv::platform::qt
