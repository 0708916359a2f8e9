// Views for the presenters' tests: each window "shown" runs what the test scripts for it, and
// everything else the presenters ask of a toolkit is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/views.h"

namespace vdinv::ui::test {

struct Informed {
  std::string text;
  bool hideOwner;
};

class FlowViews : public IViews {
 public:
  void Show(StartPage& page) override { Run(onStart, page); }
  void Show(ConnectionPage& page) override { Run(onConnection, page); }
  void Show(SingleDevicePage&) override {}
  void Show(DeviceListPage& page) override { Run(onDeviceList, page); }
  void Show(SerialPage& page) override { Run(onSerial, page); }
  void Show(SummaryPage& page) override { Run(onSummary, page); }
  void Show(DebugForm& form) override { Run(onDebug, form); }
  void Show(TestWindow&) override {}

  void Inform(const std::string& text, bool hideOwner) override {
    informed.push_back({text, hideOwner});
  }
  void Question(const std::string&) override {}
  bool Confirm(const std::string& text) override {
    asked.push_back(text);
    return confirmAnswer;
  }
  void OpenHelp(const std::string& path) override { opened.push_back(path); }
  uintptr_t SetOwnerWindow(uintptr_t window) override { return std::exchange(owner, window); }
  std::optional<std::string> AskSavePath(const std::string& filter,
                                         const std::string& extension) override {
    askedFilter = filter + " " + extension;
    return savePath;
  }
  bool PrintLines(const std::vector<std::string>& lines) override {
    printed = lines;
    return printOk;
  }

  std::function<void(StartPage&)> onStart;
  std::function<void(ConnectionPage&)> onConnection;
  std::function<void(DebugForm&)> onDebug;
  std::function<void(DeviceListPage&)> onDeviceList;
  std::function<void(SerialPage&)> onSerial;
  std::function<void(SummaryPage&)> onSummary;

  std::vector<Informed> informed;
  std::vector<std::string> asked;  // Confirm's questions
  bool confirmAnswer = true;
  std::vector<std::string> opened;
  uintptr_t owner = 0;
  std::optional<std::string> savePath;
  std::string askedFilter;
  std::vector<std::string> printed;
  bool printOk = true;  // what PrintLines answers

 private:
  template <class Window>
  static void Run(const std::function<void(Window&)>& script, Window& window) {
    if (script) script(window);
  }
};

}  // namespace vdinv::ui::test
