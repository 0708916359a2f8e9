// Device parameter blocks as the tool builds and shows them (pure: no module, no files).
#pragma once

#include <string>
#include <string_view>

#include "common/parameter_block.h"
#include "vdinv/options.h"

namespace vdinv::tool {

// The block held in file bytes of exactly kPdbLength.
TDevParmBlock BlockFromBytes(std::string_view bytes);
std::string BlockToBytes(const TDevParmBlock& pdb);

// Completes a block just filled by the driver's defaults and applies the options of `pdb new`:
// every entry in use gets its model's name (the defaults leave device 0's name unset), then the
// switches, time-out, repetitions, serial settings and devices are set. With more than one
// device in use the line is marked as a multi-device line (LinkMode 1); with exactly one,
// CurDevice names it.
void ApplyNewOptions(const PdbNewOptions& options, TDevParmBlock& pdb);

// Number of entries with a model other than "no device".
int DevicesInUse(const TDevParmBlock& pdb);

// Readable descriptions of the stored serial codes; unknown codes are shown as such.
std::string DescribeComPort(uint8_t code);
std::string DescribeBaud(uint8_t index);
std::string DescribeDataBits(uint8_t code);
std::string DescribeStopBits(uint8_t code);
std::string DescribeParity(uint8_t code);

// The whole block in readable form (UTF-8), as `pdb show` prints it.
std::string FormatBlock(const TDevParmBlock& pdb);

}  // namespace vdinv::tool
