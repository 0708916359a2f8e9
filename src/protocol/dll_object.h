// TDLLObject: the inverter protocol, the driver object every host thread gets.
#pragma once

#include "protocol/custom_object.h"

namespace vdinv::protocol {

class TDLLObject : public TCustomDLLObject {
 public:
  TDLLObject(const engine::DriverEnvironment& env, bool firstInstance);
  ~TDLLObject() override;

  int32_t GetInterval() override;
};

}  // namespace vdinv::protocol
