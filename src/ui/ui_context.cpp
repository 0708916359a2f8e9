#include "ui/ui_context.h"

#include "platform/text.h"

namespace vdinv::ui {

UiContext MakeUiContext(const TModuleInfo& driver, const TProductInfo& product) {
  UiContext c;
  c.deviceName = platform::GbkToUtf8(driver[kDeviceName]);
  c.devTypeName = platform::GbkToUtf8(driver[kDevTypeName]);
  c.devIdName = platform::GbkToUtf8(driver[kDevIDName]);
  c.fileDescription = platform::GbkToUtf8(driver[kFileDescription]);
  c.fileVersion = platform::GbkToUtf8(driver[kFileVersion]);
  c.internalName = platform::GbkToUtf8(driver[kInternalName]);
  c.installDir = platform::GbkToUtf8(driver[kInstallDir]);
  c.hasProductBitmap = product.hasBitmap;
  c.productText = platform::GbkToUtf8(product.text1);
  return c;
}

}  // namespace vdinv::ui
