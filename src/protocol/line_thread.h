// LineThread: the exchanges of one driver object on a thread of their own, when the line thread
// switch is on. Without it the host's polls step the run-state machine, one chain of steps per
// OnDataRead, so the line never runs faster than the host polls. With it the next request goes
// out as soon as the reply is in, and OnDataRead only hands over what changed.
//
// Where it lives: owned by the driver object it serves (TCustomDLLObject::StartLineThread),
// because its waits need the object's serial line and the object must end it before any of
// its parts goes: the object's destructor, FreeDriver and a new IniDriver on the host thread
// all end it first.
//
// What is shared: nothing of the engine. While the thread runs it alone calls the driver
// object; the host thread reaches the object only through the mailbox of this class, guarded
// by one mutex that is held for copies only, never across an engine step or a port call:
//   host to line: the writes of OnDataWrite (tag identifier and value, in order), the log
//     switch of WriteLog, the fault event of IniDriverEx, the request to end;
//   line to host: the driver's answers to the writes, the changed tags (identifier, type,
//     quality and value; one entry per tag, the latest, in table order, as one poll reports
//     them) and the pending message.
// OnDataWrite waits for the answers: the thread runs the writes ahead of its next chain of
// steps, so the wait is one chain at most and never an exchange, and the host gets the
// driver's own answer as with the switch off.
// What the host side needs besides, the tag types for OnDataWrite's checks and the scan time,
// is copied when the thread starts: neither changes while the object runs.
//
// Waiting: while an exchange awaits its reply the thread waits, without the engine taking anything,
// through the serial device's WaitForInput (POSIX: poll() of the terminal and the device's wake
// pipe; Windows: an overlapped read of one byte and the device's wake event) until the reply's
// time-out; a byte received ends the wait at once, so the reply is taken as soon as its last
// byte is in. Once the reply has begun, the thread sleeps the time its missing characters take
// (a reply is as long as its request) and then waits on the port again, so that it wakes a few
// times per reply rather than at every character. When nothing is due it waits on a condition
// variable for the host's poll period (the interval at which the host's polls would have looked for
// a due command). A write queued or the end requested wakes either wait (Wake of the device and of
// the condition variable; the latter also stands in while the port is closed and the device has
// nothing to wait on).
//
// Ending: End() sets the request, wakes the thread and joins it. The thread ends between two
// chains of steps, never inside one, so the object is whole and stopped by the caller as
// without the thread. Joining needs a thread that can end: on Windows not under the loader
// lock (a thread's or the process's detach), since the line thread's own end waits for that
// lock there. Where the object of an ending host thread is destroyed under it, HandOver gives
// the object to its line thread instead, which ends its round, destroys the object as the host
// thread would have, and leaves; its module reference keeps the code it runs loaded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/records.h"
#include "common/tag_value.h"
#include "platform/threading.h"

namespace vdinv::protocol {

class TCustomDLLObject;

class LineThread {
 public:
  // A tag's report as OnDataRead hands it to the host.
  struct Change {
    uint32_t tagId = 0;
    uint8_t dataType = 0;
    uint32_t quality = 0;
    TagValue value;
  };
  // What changed since the last Collect: the tags in table order and the pending message
  // (taken: the next Collect finds it empty unless a newer one came).
  struct Collected {
    std::vector<Change> changes;
    std::string message;
  };

  // Paces the rounds in place of the waits described at the top, for a line whose time is not
  // the machine's (a test's fake clock): the thread hands it the pause each round asks for,
  // none included, and starts the next round when Pause returns.
  class Pacer {
   public:
    virtual ~Pacer() = default;
    // After a round: at most ms to wait (0: go on at once); onLine: a byte received would end
    // the wait.
    virtual void Pause(uint32_t ms, bool onLine) = 0;
    // The host queued a request or asked for the end: a Pause under way is to return.
    virtual void Wake() = 0;
  };

  // Copies what the host side needs from the driver object, which must be initialised, and
  // starts the thread. The host thread does not call the object until End has returned. A
  // pacer, if given, must outlive the thread.
  explicit LineThread(TCustomDLLObject& driver, Pacer* pacer = nullptr);
  ~LineThread();
  LineThread(const LineThread&) = delete;
  LineThread& operator=(const LineThread&) = delete;

  // The host side; none waits for the line.
  Collected Collect();
  // A write of OnDataWrite.
  struct Write {
    uint32_t tagId;
    TagValue value;
  };
  // True when a record names a tag handed over at initialisation and has that tag's type: the
  // checks OnDataWrite makes before it hands a write to the driver.
  bool Writable(uint32_t tagId, uint8_t dataType) const;
  // Has the line thread run the writes, in order, ahead of its next chain of steps and waits
  // for that: the driver's answer to each. All false when the thread ended, or had not taken
  // them within kWriteWaitMs (they are then withdrawn).
  std::vector<bool> RunWrites(std::vector<Write> writes);
  static constexpr uint32_t kWriteWaitMs = 5000;
  // WriteLog: false when no message was pending (nothing changes, as without the thread);
  // else the switch is queued and the pending message taken.
  bool QueueLogSwitch(bool enable, std::string& message);
  // The message pending, taken.
  std::string TakeMessage();
  void SetFaultEvent(int32_t handle);
  int32_t ScanTime() const { return scanTime_; }
  // Ends the thread and waits for it; the object is then the host thread's again.
  void End();
  // Ends the thread without waiting for it: the thread destroys owner, the object it serves
  // (which owns this), after its round. Nothing of either may be touched afterwards.
  static void HandOver(std::unique_ptr<TCustomDLLObject> owner);
  // False when no thread could be made: the host's polls then run the line.
  bool Started() const { return started_; }

 private:
  // Where the writes handed over stand.
  enum class Writes : uint8_t { kNone, kQueued, kTaken, kAnswered };
  // How long the thread may wait after a round (0: go on at once), and whether a byte received
  // ends the wait: only while an exchange awaits its reply, since between exchanges nothing
  // takes what arrives and the port would end every wait at once.
  struct Pause {
    uint32_t ms = 0;
    bool onLine = false;
  };
  void Run();
  // One round: the host's requests, a chain of steps and the publication of its results.
  Pause Round();
  void Wait(Pause pause);
  void Wake();
  // The writes handed over, if any, run and answered.
  void RunQueuedWrites();
  // The driver's pending message moved to the mailbox (the caller holds the lock).
  void PublishMessage(std::string message);

  TCustomDLLObject& driver_;
  Pacer* const pacer_;
  // Copied at the start, read by the host side only.
  std::unordered_map<uint32_t, uint8_t> tagTypes_;
  int32_t scanTime_ = 0;
  size_t tagLimit_ = 0;

  // The mailbox.
  std::mutex mutex_;
  std::condition_variable woken_;
  bool wake_ = false;
  bool end_ = false;
  std::condition_variable answered_;
  Writes writesState_ = Writes::kNone;
  std::vector<Write> writes_;
  std::vector<bool> answers_;
  std::optional<bool> logSwitch_;
  std::optional<int32_t> faultEvent_;
  std::map<int32_t, Change> changes_;  // by table position
  std::string message_;
  std::unique_ptr<TCustomDLLObject> owner_;  // handed over: destroyed by the thread at its end

  platform::ModuleThread thread_;
  bool started_ = false;
  bool joined_ = false;  // End has returned (the host side's)
};

}  // namespace vdinv::protocol
