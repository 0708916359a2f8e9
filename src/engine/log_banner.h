// Texts of the start banner and of the memory lines shared with the run report. Each text is
// one log line's message, without the date in front and the line end behind.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/module_info.h"
#include "sysinfo/system_information.h"

namespace vdinv::engine {

// The values of the processor key "hardware\description\system\centralprocessor\0".
struct ProcessorDescription {
  std::string nameString;        // ProcessorNameString
  std::string vendorIdentifier;  // VendorIdentifier
  std::string identifier;        // Identifier
};

// The processor key's values, or nothing when the key does not exist.
std::optional<ProcessorDescription> ReadProcessorDescription();

// The processor line (left out when there is no processor key), the operating-system line, the
// five memory lines and the three start lines naming the host and the driver, followed by a
// line saying so when the exchanges run on a line thread of their own (none when the host's
// polls run them). The first form reads the processor key.
std::vector<std::string> StartBannerTexts(const TModuleInfo& hostInfo,
                                          const TModuleInfo& driverInfo,
                                          const sysinfo::TXSystemInformation& system,
                                          bool lineThread = false);
std::vector<std::string> StartBannerTexts(const std::optional<ProcessorDescription>& processor,
                                          const TModuleInfo& hostInfo,
                                          const TModuleInfo& driverInfo,
                                          const sysinfo::TXSystemInformation& system,
                                          bool lineThread = false);

// "：已使用内存 = N %" and the four "MB" lines.
std::vector<std::string> MemoryTexts(const sysinfo::TMemoryInfo& memory);

}  // namespace vdinv::engine
