// The statistics of one run of the tag table: exchanges, time-outs and failures of reads and
// writes, the start and stop of the run, and the summary of the run report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdinv::engine {

class RunStatistics {
 public:
  // A new run: every counter back to zero; runStartTime is the start as an OLE date.
  void Restart(double runStartTime);
  void SetStartTick(uint32_t tick) { startTick_ = tick; }
  // The length of the run stopped at this tick, in milliseconds (wrapping tick arithmetic).
  uint32_t RunTime(uint32_t stopTick) const { return stopTick - startTick_; }

  void ReadAnswered() { ++readComms_; }
  void ReadTimedOut() {
    ++readComms_;
    readTimeouts_ += 1;
  }
  void ReadFailed() { ++readFails_; }
  void WriteAnswered() { ++writeComms_; }
  void WriteTimedOut() {
    ++writeComms_;
    writeTimeouts_ += 1;
  }
  void WriteFailed() { ++writeFails_; }

  // Read time-outs since the table was built (a double: the count never wraps).
  double ReadTimeouts() const { return readTimeouts_; }
  uint32_t ReadFails() const { return readFails_; }
  uint32_t WriteFails() const { return writeFails_; }
  double RunStartTime() const { return runStartTime_; }

  // The summary lines of the run report (each written as one log line): run time, failure
  // totals, exchange totals, time-outs and time-out rates.
  std::vector<std::string> SummaryTexts(uint32_t runTime) const;

 private:
  uint32_t startTick_ = 0;
  double runStartTime_ = 0;
  uint32_t readComms_ = 0;
  uint32_t writeComms_ = 0;
  uint32_t readFails_ = 0;
  uint32_t writeFails_ = 0;
  double readTimeouts_ = 0;
  double writeTimeouts_ = 0;
};

}  // namespace vdinv::engine
