// A wizard run over a host block of given devices, the driver's own words for the pages'
// texts and views that record what the pages ask of them, for the tests of the wizard's pages.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "support/device_block.h"
#include "ui/fake_views.h"
#include "ui/ui_context.h"
#include "ui/wizard_run.h"

namespace vdinv::ui::test {

inline UiContext DriverWords(std::string productText = "") {
  UiContext c;
  c.deviceName = "富士变频器";
  c.devTypeName = "变频器";
  c.devIdName = "设备号";
  c.productText = std::move(productText);
  return c;
}

// The serial settings of a block, to shape it with PageFixture::Begin.
struct SerialSettings {
  uint8_t port, baud, dataBits, stopBits, parity;
  void operator()(TDevParmBlock& pdb) const {
    pdb.ComPort = port;
    pdb.BaudIndex = baud;
    pdb.DataBits = dataBits;
    pdb.StopBits = stopBits;
    pdb.Parity = parity;
  }
};

// The host's block and a run begun on it; edit Host() before Begin() to shape the block.
class PageFixture {
 public:
  explicit PageFixture(std::initializer_list<std::pair<int, uint8_t>> devices = {})
      : host_(kPdbLength, 0) {
    StorePdb(host_.data(), vdinv::test::DevicesBlock(devices));
  }
  // Begins the run on the host's block, after edit has shaped it.
  template <typename Edit>
  WizardRun& Begin(Edit edit) {
    TDevParmBlock pdb = LoadPdb(host_.data());
    edit(pdb);
    StorePdb(host_.data(), pdb);
    return Begin();
  }
  WizardRun& Begin() {
    run_.Begin(host_.data());
    return run_;
  }
  TDevParmBlock Host() const { return LoadPdb(host_.data()); }
  WizardRun& Run() { return run_; }
  const UiContext& Words() const { return words_; }
  FlowViews& Views() { return views_; }

 private:
  std::vector<uint8_t> host_;
  WizardRun run_;
  UiContext words_ = DriverWords();
  FlowViews views_;
};

}  // namespace vdinv::ui::test
