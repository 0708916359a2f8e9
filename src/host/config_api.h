// The configuration entry points of the tag editor: checking a typed address and the list of
// address templates.
#pragma once

#include <cstdint>

#include "common/records.h"

namespace vdinv::host {

int32_t TagEdAddr(void* pdb, char** addr, uint8_t skipCheck, char** msg);
void GetTagAddrList(int32_t reserved, int32_t* count, TTagAddrTemplate* list);

// The number of address templates.
constexpr int32_t kTemplateCount = 10;

}  // namespace vdinv::host
