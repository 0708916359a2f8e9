// TCustomDLLObject: the generic, table-driven frame layer above the engine. It owns the serial
// line of the driver object, takes the line's time-out and write repetitions from the
// parameter block, and adds the frame statistics to the log.
#pragma once

#include "engine/base_object.h"

namespace vdinv::protocol {

class TCustomDLLObject : public engine::TBaseDLLObject {
 public:
  TCustomDLLObject(const engine::DriverEnvironment& env, bool firstInstance);
  ~TCustomDLLObject() override;

  bool IniParm(const TDevParmBlock* block) override;
  int32_t GetInterval() override;
  void Stop() override;

  bool CommCreated() const { return CommCreated_; }

 protected:
  // Opens the serial line with the block's settings; the status text goes to sErrEvent.
  virtual bool OpenLine(const TDevParmBlock& block);
  // The largest number of tags one read command serves.
  size_t LongestCommand() const;

  bool CommCreated_ = false;
};

}  // namespace vdinv::protocol
