// The steps the host harness takes on the driver's windows while they are open: each acts on
// the active modal window by object name, as a user would, and waits (up to a time-out) until
// the window or control it names is there.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <vector>

class QWidget;

namespace vdinv::uihost {

class Script {
 public:
  // Steps: "window NAME", "click NAME", "type NAME TEXT", "select NAME INDEX" (drop-down or
  // tree), "ok" (the message box's button), "close" (the window's frame), "shot FILE.png",
  // "wait MS" (lets the window run for a while).
  Script(std::vector<std::string> steps, int stepMs, int timeoutMs);

  // Runs a step at every tick of the event loops that the driver's windows run. After a failed
  // step, and once every step has run, windows still open are closed by their frames so the
  // driver's call returns.
  void Start();

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }
  bool Finished() const { return next_ >= steps_.size(); }

 private:
  void Tick();
  // True when the step has been taken; false when what it needs is not there yet.
  bool Take(QWidget& window, const std::string& step);

  std::vector<std::string> steps_;
  size_t next_ = 0;
  int timeoutMs_;
  QTimer timer_;
  QElapsedTimer waiting_;
  std::string error_;
};

}  // namespace vdinv::uihost
