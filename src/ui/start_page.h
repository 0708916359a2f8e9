// The wizard's first page (TStartFrm): the choice of operation (new, modify, browse), the
// version message and help file, and the debug form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/wizard_page.h"

namespace vdinv::ui {

class StartPage : public WizardPageBase {
 public:
  // logPath: the driver's log file (GBK path bytes), which the debug form shows.
  StartPage(WizardRun& run, const UiContext& context, IViews& views, std::string logPath);

  // "下一步": new → connection page (and the block counts as changed), modify → device list
  // for modifying, browse → summary page.
  void Next() override;
  // "帮助信息": the version message over the hidden page, then the help file when there is one.
  void Help();
  // "调试设置": the debug form over the hidden page; the page stays open afterwards, and the
  // wizard ends when it is then closed by other means than its buttons.
  void Debug();
  // "下载最新驱动" is hidden and does nothing: this driver names no download address.
  void Download() {}

  // The text of the version message: InternalName, "版本" FileVersion, FileDescription.
  std::string VersionMessage() const;
  // The help files tried in turn (UTF-8): install dir + "help" + separator + each name this
  // system's help goes by (DeviceName.chm, then VD_Inv.chm on Windows; VD_Inv/index.html, the
  // HTML guide, elsewhere).
  std::vector<std::string> HelpFiles() const;

 private:
  std::string logPath_;
};

}  // namespace vdinv::ui
