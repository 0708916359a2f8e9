// A line of simulated inverters for tests and bench work: stations 0..99, each a G11S, a P11S
// or absent, answering read and write requests on a pseudo-terminal (or a real serial device)
// from their own function-code memory, with the faults a real line has, settable while it runs.
//
// The simulator works on its own thread between Start and Stop. Every other member may be
// called from any thread at any time; settings take effect with the next request.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "invsim/frame.h"
#include "platform/pseudo_terminal.h"

namespace vdinv::invsim {

inline constexpr int kStationCount = 100;

enum class Model { kG11S, kP11S };
std::string_view ModelName(Model model);
// "G11S" or "P11S" in any letter case.
std::optional<Model> ParseModel(std::string_view text);

// What a station does wrong; the default is a station that does nothing wrong.
struct StationFaults {
  bool silent = false;                   // never answers
  std::optional<uint16_t> nakCode;       // answers every request with NAK and this error code
  bool badCheck = false;                 // the reply's check code is off by one
  std::string noise;                     // bytes sent ahead of the reply's SOH
  int splitParts = 1;                    // the reply goes out in this many writes ...
  uint32_t splitGapMs = 0;               // ... with this pause between them
  uint32_t delayMs = 0;                  // extra wait before the reply
  std::optional<int> echoStation;        // the reply names this station instead
  std::optional<FunctionCode> echoCode;  // the reply names this function code instead
  bool endless = false;  // the reply never ends: after the data, data bytes follow without
                         // ETX or check code until the next request arrives
};

// Settings of the whole line.
struct LineSettings {
  uint32_t baud = 0;          // paces every byte sent (ten bits per character); 0: no pacing
  uint32_t turnaroundMs = 0;  // wait between a request and its reply
  bool localEcho = false;     // every received byte is sent straight back, as a two-wire
                              // adapter does
  bool noiseFlood = false;    // garbage of every byte value (SOH and ETX among them) streams
                              // without pause, paced by the baud rate or, without one, as fast
                              // as the client reads; replies go out in the middle of it
  bool stuck = false;         // nothing is read and the line towards the simulator is kept
                              // full, as behind a stuck adapter: a client's bytes find no room
                              // (pseudo-terminals only)
};

struct SimulatorOptions {
  std::string linkPath;    // a symbolic link to the pseudo-terminal's slave path, or empty
  std::string devicePath;  // a serial device to use instead of a pseudo-terminal, or empty
  LineSettings line;
};

class Simulator {
 public:
  explicit Simulator(SimulatorOptions options = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the line and starts the thread; false (reason in Error()) when the line cannot be
  // opened. Starting a running simulator does nothing.
  bool Start();
  // Ends the thread (a reply being sent is cut short) and closes the line, removing the link.
  void Stop();
  bool Running() const;
  std::string Error() const;
  // The path a client opens (it changes with Replug) and the symbolic link, if any.
  std::string Path() const;
  std::string LinkPath() const;

  // Stations; a number outside 0..99 throws std::out_of_range.
  void SetStation(int station, Model model);
  void RemoveStation(int station);
  std::optional<Model> StationModel(int station) const;
  // The function-code memory. A code never set reads 0. Values are data words (0..65535);
  // a monitor ("M") code may also hold a negative value down to -65535, sent as "-" and its
  // magnitude. Other groups send a negative value as its 16-bit two's complement.
  void SetValue(int station, FunctionCode fc, int32_t value);
  int32_t Value(int station, FunctionCode fc) const;
  void SetFaults(int station, const StationFaults& faults);
  void ClearFaults(int station) { SetFaults(station, StationFaults{}); }
  void SetLine(const LineSettings& line);
  LineSettings Line() const;

  // The adapter is unplugged and plugged in again: a new pseudo-terminal replaces the current
  // one (its slave path differs), the old one is closed (its path disappears, a client still
  // holding it sees a hang-up), and after gapMs the link points at the new one. Only for a
  // pseudo-terminal; false when the new one cannot be opened (the old one then stays).
  bool Replug(uint32_t gapMs = 0);

  // Counters since Start: well-formed requests (to any station 0..99, present or not), per
  // station and per station and function code; replies sent (counted as their last piece goes
  // out, so a client that has a whole reply finds it counted); frames thrown away (bad check
  // code, malformed).
  uint64_t RequestsSeen() const;
  uint64_t RequestsSeen(int station) const;
  uint64_t RequestsSeen(int station, FunctionCode fc) const;
  // The processor time the simulator's thread has used, in seconds, as of its last pass.
  double CpuSeconds() const { return cpuSeconds_.load(std::memory_order_relaxed); }
  uint64_t RepliesSent() const;
  uint64_t RepliesSent(int station) const;
  uint64_t FramesRejected() const;
  // Frames whose handling has finished (the reply is out, or it was decided that none goes
  // out). Waits until at least count frames were handled or timeoutMs passed; true when so.
  uint64_t FramesHandled() const;
  bool WaitForFramesHandled(uint64_t count, uint32_t timeoutMs) const;

 private:
  struct Station {
    std::optional<Model> model;
    std::map<FunctionCode, int32_t> memory;
    StationFaults faults;
    uint64_t requests = 0;
    uint64_t replies = 0;
    std::map<FunctionCode, uint64_t> requestsPerCode;
  };
  // What the thread has to send for one request.
  struct Outgoing {
    std::string noise;
    std::string reply;
    int splitParts = 1;
    uint32_t splitGapMs = 0;
    uint32_t waitMs = 0;
    uint32_t baud = 0;
    int station = 0;
    bool endless = false;
  };

  void Run();
  // Decides the answer to a request and counts it; nothing when the station stays silent.
  std::optional<Outgoing> Answer(const Request& request);
  // Sends the reply; true when it was counted as sent (and as a frame handled).
  bool Send(const Outgoing& out);
  // Writes the bytes, one character time apart when a baud rate is set; false when stopping.
  bool SendPaced(std::string_view bytes, uint32_t baud);
  // Sends the next piece of an endless stream (noise or the tail of an endless reply): at the
  // baud rate what is due since the stream began, else a piece the client takes within a
  // poll interval.
  void SendStream(bool noise, uint32_t baud);
  uint8_t NextNoiseByte();
  // Waits, ending early when the simulator stops; false when stopping.
  bool Pause(std::chrono::microseconds duration);
  bool DoReplug(uint32_t gapMs);
  void FrameHandled();
  static void CheckStation(int station);

  mutable std::mutex mutex_;  // everything below except line_, which only the thread uses
  mutable std::condition_variable changed_;
  SimulatorOptions options_;
  std::array<Station, kStationCount> stations_;
  uint64_t requests_ = 0;
  uint64_t replies_ = 0;
  uint64_t rejected_ = 0;
  uint64_t handled_ = 0;
  std::string path_;
  std::string linkPath_;
  std::string error_;
  bool running_ = false;
  bool stopping_ = false;
  std::optional<uint32_t> replugGap_;  // a replug the thread is asked to do
  std::optional<bool> replugResult_;   // ... and its outcome

  std::unique_ptr<platform::PseudoTerminal> line_;
  std::thread thread_;
  std::atomic<double> cpuSeconds_{0};
  // The thread's stream: an endless reply going on, where a paced stream stands, the noise.
  bool endlessReply_ = false;
  std::chrono::steady_clock::time_point streamStart_;
  uint64_t streamSent_ = 0;
  bool streaming_ = false;
  uint32_t noiseState_ = 1;
};

}  // namespace vdinv::invsim
