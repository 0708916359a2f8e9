// Views for the presenters' tests and the driver's own words for the windows' texts.
#pragma once

#include <string>

#include "ui/fake_views.h"
#include "ui/ui_context.h"

namespace vdinv::ui::test {

// The driver's own words, as the version resource gives them.
inline UiContext DriverWords(const std::string& installDir = "/opt/ovatrex/") {
  UiContext c;
  c.deviceName = "富士变频器";
  c.devTypeName = "变频器";
  c.devIdName = "设备号";
  c.fileDescription = "富士变频器通讯驱动";
  c.fileVersion = "4.7.1.1";
  c.internalName = "VD_Inv";
  c.installDir = installDir;
  return c;
}

}  // namespace vdinv::ui::test
