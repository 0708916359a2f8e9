// What every window of the configuration side reads of the driver's identity: the words of its
// version resource that make the windows' texts, and its product record. Presenters hold and
// hand out texts in UTF-8 (what the toolkits take); the records, the block and the host's
// texts are GBK and are converted where they enter or leave a presenter.
#pragma once

#include <string>

#include "common/module_info.h"

namespace vdinv::ui {

struct UiContext {
  // UTF-8 forms of the driver's version entries.
  std::string deviceName;       // DeviceName, e.g. "富士变频器"
  std::string devTypeName;      // DevTypeName, e.g. "变频器"
  std::string devIdName;        // DevIDName, e.g. "设备号"
  std::string fileDescription;  // FileDescription
  std::string fileVersion;      // FileVersion
  std::string internalName;     // InternalName
  std::string installDir;       // the host's installation directory (GBK path as UTF-8)
  // The product record: a bitmap and a product text (this driver carries none).
  bool hasProductBitmap = false;
  std::string productText;
  // The driver module's file name up to its first "." ("VD_Inv"), for the help file.
  std::string moduleBaseName = "VD_Inv";
};

// The context of the driver's own records (GBK) converted to UTF-8.
UiContext MakeUiContext(const TModuleInfo& driver, const TProductInfo& product);

}  // namespace vdinv::ui
