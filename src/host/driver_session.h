// What the configuration windows do with a driver: start one on the calling thread on a block
// and a tag, poll it, write to it, send a request of one's own, and read back what the table
// shows. The windows see the driver through this alone, so that they can be tried on a session
// of their own making. Texts are the driver's own (GBK) and owned by the caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/records.h"
#include "common/tag_value.h"
#include "engine/tag_item.h"

namespace vdinv::host {

// The command in execution: its request and what has arrived for it so far.
struct Exchange {
  std::string request;
  std::string reply;
  bool isWrite = false;
};

class DriverSession {
 public:
  virtual ~DriverSession() = default;

  // IniDriver on the block with the one tag: the thread's previous object is stopped and
  // released and a new one started. message: the driver's text, empty when it gave none.
  virtual bool Start(void* block, TTagInfo& tag, std::string& message) = 0;
  // Whether the calling thread has a driver object; without one the calls below do nothing
  // and answer empty.
  virtual bool Running() const = 0;
  // Destroys the thread's object (stopping it first) and clears the thread's slot.
  virtual void Release() = 0;
  virtual void Stop() = 0;

  virtual bool PortOpen() const = 0;
  virtual int32_t ScanTime() const = 0;
  // One poll: the engine makes its exchanges only when it is polled.
  virtual void Poll() = 0;
  virtual bool Write(uint32_t tagId, const TagValue& value) = 0;
  // The request of the command in execution is replaced by the frame, which goes out at its
  // next exchange; false when no command is in execution.
  virtual bool SendRaw(const std::string& frame) = 0;
  // The pending communication event, cleared by taking it.
  virtual std::string TakeEvent() = 0;

  virtual std::vector<TTagItem> Tags() const = 0;
  // The request of each command in the list, in order.
  virtual std::vector<std::string> Requests() const = 0;
  virtual std::optional<Exchange> Current() const = 0;
  // The last reply taken, kept between exchanges.
  virtual std::string LastReply() const = 0;

  // The address in its normal form as the tag editor's check gives it back.
  virtual std::string CheckAddress(void* block, const std::string& address) = 0;
  // Where the driver's log goes.
  virtual std::string LogPath() const = 0;
};

}  // namespace vdinv::host
