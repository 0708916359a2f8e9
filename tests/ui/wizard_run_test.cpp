#include "ui/wizard_run.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/device_block.h"

namespace vdinv::ui {
namespace {

std::vector<uint8_t> HostBlock() {
  std::vector<uint8_t> block(kPdbLength, 0);
  StorePdb(block.data(), test::DevicesBlock({{1, kModelG11S}}));
  return block;
}

// The back-stack serves "上一步" within a run and starts empty at every run, so many runs in
// one process never overflow it.
TEST(WizardRun, BackReturnsThroughThePagesLeftWithNextAndEachRunStartsAfresh) {
  std::vector<uint8_t> host = HostBlock();
  WizardRun run;
  for (int runs = 0; runs < 20; ++runs) {
    run.Begin(host.data());
    EXPECT_EQ(run.BackCount(), 0);
    run.GoNext(kPageStart, kPageModifyList);
    run.GoNext(kPageModifyList, kPageSerial);
    run.GoBack();
    EXPECT_EQ(run.NextPage(), kPageModifyList);
    run.GoBack();
    EXPECT_EQ(run.NextPage(), kPageStart);
    run.GoNext(kPageStart, kPageSummary);
  }
  run.GoBack();
  run.GoBack();
  EXPECT_EQ(run.NextPage(), kPageEnd);  // nothing left to go back to
}

TEST(WizardRun, TheWorkingCopyIsWrittenBackOnlyWhenAsked) {
  std::vector<uint8_t> host = HostBlock();
  WizardRun run;
  run.Begin(host.data());
  EXPECT_FALSE(run.Changed());  // a normal block needs no normalising
  run.Working().ComPort = 5;
  EXPECT_EQ(LoadPdb(host.data()).ComPort, 0);
  run.WriteBack();
  EXPECT_EQ(LoadPdb(host.data()).ComPort, 5);
}

// A block fresh from FullPDB holds entry 0 as a G11S without a stored name: the working copy
// names it from the model table, so the device stays and the run starts unchanged.
TEST(WizardRun, AFreshBlockKeepsItsDeviceZeroAndStartsUnchanged) {
  std::vector<uint8_t> host(kPdbLength, 0xFF);
  FullPdb(host.data());
  TDevParmBlock raw = LoadPdb(host.data());
  raw.Devices[0].ModelName.Set({});
  StorePdb(host.data(), raw);
  WizardRun run;
  run.Begin(host.data());
  EXPECT_FALSE(run.Changed());
  EXPECT_EQ(run.Working().Devices[0].Model, kModelG11S);
  EXPECT_EQ(run.Working().Devices[0].ModelName.Get(), "G11S");
}

}  // namespace
}  // namespace vdinv::ui
