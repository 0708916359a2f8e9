// A line of inverters in memory: a serial device whose written bytes are requests to stations
// 0..99 and whose received bytes are their replies, built by the simulator's frame code. Each
// station holds its own function-code memory and may misbehave (silence, NAK, noise ahead of
// the reply, the reply split into pieces); the whole adapter may be unplugged and plugged in
// again. Pieces of a split reply arrive by the tick of the test's clock, so nothing waits in
// real time. The line remembers, per station and function code, the value of the last
// acknowledged reply the driver read whole, and counts what it saw.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "invsim/frame.h"
#include "platform/clock.h"
#include "platform/serial_device.h"

namespace vdinv::test {

struct StationBehaviour {
  bool silent = false;      // never answers
  bool nak = false;         // answers with NAK (error code 004F)
  std::string noise;        // bytes sent ahead of the reply's SOH
  int splitParts = 1;       // the reply arrives in this many pieces ...
  uint32_t splitGapMs = 0;  // ... this many ticks apart
};

class InverterLine {
 public:
  using Key = std::pair<int, invsim::FunctionCode>;

  explicit InverterLine(const platform::IClock& clock) : clock_(clock) {}

  // Devices on this line; the line outlives them.
  std::function<std::unique_ptr<platform::ISerialDevice>()> Factory();

  void SetValue(int station, invsim::FunctionCode fc, int32_t value) {
    memory_[{station, fc}] = value;
  }
  int32_t Value(int station, invsim::FunctionCode fc) const;
  StationBehaviour& Station(int station) { return stations_.at(static_cast<size_t>(station)); }

  // The adapter goes away: the device fails every transfer, a reply under way is lost and
  // every open attempt fails until Plug.
  void Unplug();
  void Plug() { plugged_ = true; }
  bool Plugged() const { return plugged_; }

  struct Counters {
    uint64_t readRequests = 0;  // well-formed requests received, by kind
    uint64_t writeRequests = 0;
    uint64_t readAcks = 0;  // acknowledged replies the driver read whole, by kind
    uint64_t writeAcks = 0;
    uint64_t lostFrames = 0;  // frames the driver could not put on the line (unplugged)
    uint64_t failedOpens = 0;
  };
  const Counters& Count() const { return counters_; }
  // Acknowledged replies the driver read whole for a station's code: reads and writes.
  uint64_t ReadAcks(int station, invsim::FunctionCode fc) const {
    return Lookup(readAcks_, {station, fc});
  }
  uint64_t WriteAcks(int station, invsim::FunctionCode fc) const {
    return Lookup(writeAcks_, {station, fc});
  }
  // The value the last acknowledged reply of a station's code carried, if the driver read one.
  const std::map<Key, int32_t>& LastAcknowledged() const { return lastAcked_; }
  // Bytes held on the line: input not yet read, pieces still coming, requests half received.
  size_t BytesHeld() const;

 private:
  class Device;
  struct Piece {
    uint32_t dueTick;
    std::string bytes;
  };
  // What a reply means once the driver has read it whole.
  struct Meaning {
    bool ack = false;
    bool write = false;
    Key key;
    int32_t value = 0;
  };
  // The reply under way: its pieces still to come.
  struct Pending {
    std::deque<Piece> pieces;
    Meaning meaning;
  };
  // A reply that has arrived whole in the input: where it ends there.
  struct Arrived {
    size_t end = 0;
    Meaning meaning;
  };

  static uint64_t Lookup(const std::map<Key, uint64_t>& m, const Key& key) {
    auto it = m.find(key);
    return it == m.end() ? 0 : it->second;
  }
  platform::SerialStatus Open();
  void Receive(std::string_view bytes);
  void Answer(const invsim::Request& request);
  // Moves the pieces that are due into the input.
  void Deliver();
  // The driver takes count bytes from the input.
  std::string TakeInput(size_t count);
  // The input is thrown away (purged, or lost with the adapter).
  void DropInput();

  const platform::IClock& clock_;
  std::array<StationBehaviour, 100> stations_{};
  std::map<Key, int32_t> memory_;
  std::map<Key, int32_t> lastAcked_;
  std::map<Key, uint64_t> readAcks_;
  std::map<Key, uint64_t> writeAcks_;
  Counters counters_;
  invsim::RequestReader reader_;
  std::string input_;
  Pending pending_;
  std::optional<Arrived> arrived_;
  bool plugged_ = true;
  bool open_ = false;
};

}  // namespace vdinv::test
