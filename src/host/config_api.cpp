#include "host/config_api.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "common/device_types.h"
#include "common/messages.h"
#include "common/parameter_block.h"
#include "common/short_string.h"
#include "host/process.h"
#include "platform/text.h"

namespace vdinv::host {
namespace {

struct Template {
  Msg description;
  uint8_t tagType;  // 0 analog, 1 switch
  double upper;
  double lower;
};

// One row per type of the protocol table, in its order; the prefix is the type's.
constexpr std::array<Template, kTemplateCount> kTemplates = {{
    {Msg::TemplateF, 0, 65535, -65535},
    {Msg::TemplateE, 1, 1, 0},
    {Msg::TemplateC, 1, 1, 0},
    {Msg::TemplateP, 0, 65535, -65535},
    {Msg::TemplateH, 0, 65535, -65535},
    {Msg::TemplateA, 1, 1, 0},
    {Msg::TemplateO, 0, 256, 0},
    {Msg::TemplateS, 0, 65535, -65535},
    {Msg::TemplateM, 0, 65535, -65535},
    {Msg::TemplateCommErr, 1, 1, 0},
}};

// Writable groups carry the access byte 2, the read-only ones 0.
constexpr uint8_t kAccessWritable = 2;

void SetShortString(uint8_t& length, char* bytes, std::string_view text) {
  std::string_view cut = GbkPrefix(text, 255);
  length = static_cast<uint8_t>(cut.size());
  std::memcpy(bytes, cut.data(), cut.size());
}

}  // namespace

int32_t TagEdAddr(void* pdb, char** addr, uint8_t skipCheck, char** msg) {
  std::string address = (addr != nullptr && *addr != nullptr) ? std::string(*addr) : std::string();
  std::string message;
  int32_t result = 0;
  {
    // A temporary object of the configuration kind (not the first instance) checks the address.
    protocol::TDLLObject checker(Process::Instance().Environment(), false);
    if (pdb != nullptr) {
      if (skipCheck == 0 && address.empty()) {
        // Nothing typed, nothing to normalise: the address comes back empty.
        result = 0;
      } else if (skipCheck == 0) {
        TDevParmBlock block = LoadPdb(pdb);
        result = checker.CheckTagAddr(&block, address) ? 1 : 0;
        message = checker.sErrEvent();
        checker.WriteCommEvent(std::string());
      } else {
        result = 1;
      }
    } else {
      message = Text(Msg::DeviceNotInitialised);
    }
  }
  if (msg != nullptr) *msg = platform::AllocHostText(message);
  if (addr != nullptr) *addr = platform::AllocHostText(address);
  return result;
}

void GetTagAddrList(int32_t, int32_t* count, TTagAddrTemplate* list) {
  if (count == nullptr) return;
  if (list == nullptr) {
    *count = kTemplateCount;
    return;
  }
  // Never more records than the table has, whatever the caller asks for.
  int32_t n = std::clamp(*count, int32_t{0}, kTemplateCount);
  for (int32_t i = 0; i < n; ++i) {
    const Template& t = kTemplates[static_cast<size_t>(i)];
    TTagAddrTemplate& record = list[i];
    std::memset(&record, 0, sizeof record);
    SetShortString(record.prefixLen, record.prefix, kTypePrefix[static_cast<size_t>(i)]);
    SetShortString(record.descriptionLen, record.description, Text(t.description));
    record.tagType = t.tagType;
    record.access = TypeWritable(i) ? kAccessWritable : 0;
    record.upperLimit = t.upper;
    record.lowerLimit = t.lower;
    record.reserved = 0;
  }
}

}  // namespace vdinv::host
