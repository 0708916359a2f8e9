// The parameter block tests, fuzz targets and benchmarks start from: the defaults with exactly
// the given devices (device number, model code) and no other, so that station 0 of the
// defaults never joins a line by accident.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "common/parameter_block.h"

namespace vdinv::test {

inline TDevParmBlock DevicesBlock(std::initializer_list<std::pair<int, uint8_t>> devices,
                                  uint16_t outTime = 1000) {
  TDevParmBlock pdb{};
  FillDefaults(pdb, outTime, 2);
  pdb.Devices[0].Model = kModelNone;
  for (auto [number, model] : devices) {
    pdb.Devices[number].Model = model;
    pdb.Devices[number].ModelName.Set(ModelNameOf(model));
  }
  return pdb;
}

}  // namespace vdinv::test
