// Steering a running simulator from another program through files in a directory, for test
// programs that cannot link the simulator (a Windows program under Wine reaches the Linux
// simulator's directory through its drive mapping; nothing but files is needed on either side).
//
// The client writes command number n (1, 2, ... in order) as the one-line file "DIR/n.cmd",
// first under another name and then renamed, so that the channel never reads half a command.
// The channel carries the commands out in order and answers each with "DIR/n.ack", written the
// same way: "ok", "ok VALUE" or "error: REASON". A command file is removed once its answer is
// there; the answers stay, so a later client finds the next free number.
//
// Commands:
//   set N:CODE=VALUE   store a value at a function code (as --set), e.g. set 1:F03=1500
//   value N:CODE       the stored value, e.g. value 1:F03 -> ok 1500
//   silent N           station N stops answering
//   answer N           station N answers again (its faults cleared)
//   replug MS          the adapter is unplugged and plugged in again after MS ms; the answer
//                      comes when it is back
//   replies            the replies sent since the start -> ok COUNT
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "invsim/control_client.h"
#include "invsim/simulator.h"

namespace vdinv::invsim {

// Carries out one command line on the simulator; the answer as the channel writes it.
std::string RunControlCommand(Simulator& sim, std::string_view command);

class ControlChannel {
 public:
  ControlChannel(Simulator& sim, std::string dir);
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  // Starts watching the directory (made when missing); false when it cannot be made.
  bool Start();
  void Stop();

 private:
  void Run();

  Simulator& sim_;
  std::string dir_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vdinv::invsim
