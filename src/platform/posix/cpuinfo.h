// Internal: the processor key of the registry stand-in, answered from /proc/cpuinfo.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vdinv::platform::internal {

// The registry path of the processor key, compared after key-path normalisation.
inline constexpr std::string_view kProcessorKeyPath =
    "hardware\\description\\system\\centralprocessor\\0";

// The values of the first processor in /proc/cpuinfo (the first line of each name counts).
struct CpuInfo {
  std::string modelName;  // "model name"
  std::string vendorId;   // "vendor_id"
  std::string cpuFamily;  // "cpu family"
  std::string model;      // "model"
  std::string stepping;   // "stepping"
};

CpuInfo ParseCpuInfo(std::string_view text);

// The value of the processor key: ProcessorNameString (model name), VendorIdentifier
// (vendor_id) or Identifier ("cpu family X model Y stepping Z", a missing piece left empty);
// names match without regard to case. Nothing for any other value name.
std::optional<std::string> ProcessorKeyValue(const CpuInfo& cpu, std::string_view valueName);

}  // namespace vdinv::platform::internal
