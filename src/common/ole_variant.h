// Decoding the host's initial values (16-byte OLE variants) into tag values.
#pragma once

#include "common/records.h"
#include "common/tag_value.h"

namespace vdinv {

// Integers of every width, floats, Booleans, BSTR (UTF-16) and LPSTR (GBK) texts; a null
// text pointer gives an empty text; empty, null and every other type word give an empty value.
TagValue DecodeOleVariant(const TOleVariant& v);

}  // namespace vdinv
