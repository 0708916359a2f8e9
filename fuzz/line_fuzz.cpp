// Fuzzes a running driver line with the bytes its serial device receives, across many polls,
// with the clock moving between them so that replies come late, early, cut or not at all.
//
// Input: a sequence of up to 64 line steps (DriverHost::LineStep): a control byte (clock
// advance, a well-formed reply to the last request, NAK, sign, a vanished device), a length
// byte and that many received bytes, and with a reply its four data characters. The line has
// stations 1 (G11S), 2 (P11S) and 99 (G11S), read and status tags scanned at every poll.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vdinv::fuzz::DriverHost;
  auto& host = DriverHost::Instance();
  std::vector<vdinv::TTagInfo> tags = {DriverHost::Tag(1, "F1:3", vdinv::kAnalog),
                                       DriverHost::Tag(2, "M1:9", vdinv::kAnalog),
                                       DriverHost::Tag(3, "E1:1", vdinv::kSwitch),
                                       DriverHost::Tag(4, "F2:5", vdinv::kString),
                                       DriverHost::Tag(5, "M99:5", vdinv::kAnalog),
                                       DriverHost::Tag(6, "COMMLINK", vdinv::kString),
                                       DriverHost::Tag(7, "DEVICELINK1", vdinv::kAnalog),
                                       DriverHost::Tag(8, "DEVICELINK2", vdinv::kString),
                                       DriverHost::Tag(9, "CommErr2:", vdinv::kSwitch)};
  vdinv::TDevParmBlock block =
      DriverHost::Block({{1, vdinv::kModelG11S}, {2, vdinv::kModelP11S}, {99, vdinv::kModelG11S}});
  host.Init(tags, &block);
  vdinv::fuzz::ByteReader in(data, size);
  for (int step = 0; step < 64 && !in.Empty(); ++step) host.LineStep(in);
  host.Free();
  return 0;
}
