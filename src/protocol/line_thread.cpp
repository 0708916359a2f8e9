#include "protocol/line_thread.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "common/guard.h"
#include "engine/run_codes.h"
#include "protocol/custom_object.h"

namespace vdinv::protocol {
namespace {
constexpr const char* kClass = "TLineThread";
}  // namespace

LineThread::LineThread(TCustomDLLObject& driver, Pacer* pacer) : driver_(driver), pacer_(pacer) {
  for (const auto& tag : driver_.Tags()) {
    if (tag == nullptr) continue;
    if (const TTagItem* byId = driver_.TagById(tag->TagID)) {
      tagTypes_.emplace(tag->TagID, byId->DataType);
    }
  }
  scanTime_ = driver_.ScanTime();
  tagLimit_ = static_cast<size_t>(std::max(driver_.TagCount(), 0));
  started_ = thread_.Start([this] { Run(); });
}

LineThread::~LineThread() {
  End();
}

void LineThread::End() {
  {
    std::lock_guard lock(mutex_);
    end_ = true;
  }
  answered_.notify_all();
  Wake();
  thread_.Join();
  joined_ = true;
}

void LineThread::Wake() {
  {
    std::lock_guard lock(mutex_);
    wake_ = true;
  }
  woken_.notify_one();
  driver_.WakeLine();
  if (pacer_ != nullptr) pacer_->Wake();
}

LineThread::Collected LineThread::Collect() {
  Collected collected;
  std::lock_guard lock(mutex_);
  collected.changes.reserve(changes_.size());
  for (auto& [position, change] : changes_) collected.changes.push_back(std::move(change));
  changes_.clear();
  collected.message = std::exchange(message_, std::string());
  return collected;
}

bool LineThread::Writable(uint32_t tagId, uint8_t dataType) const {
  const auto type = tagTypes_.find(tagId);
  return type != tagTypes_.end() && type->second == dataType;
}

std::vector<bool> LineThread::RunWrites(std::vector<Write> writes) {
  const size_t count = writes.size();
  if (count == 0) return {};
  {
    std::lock_guard lock(mutex_);
    if (end_) return std::vector<bool>(count, false);
    writes_ = std::move(writes);
    writesState_ = Writes::kQueued;
  }
  Wake();
  std::unique_lock lock(mutex_);
  const auto answered = [this] {
    return writesState_ == Writes::kAnswered || (end_ && writesState_ != Writes::kTaken);
  };
  // Writes the thread has taken are answered within its round: only untaken ones give up.
  if (!answered_.wait_for(lock, std::chrono::milliseconds(kWriteWaitMs), answered) &&
      writesState_ == Writes::kTaken) {
    answered_.wait(lock, answered);
  }
  std::vector<bool> answers(count, false);
  if (writesState_ == Writes::kAnswered && answers_.size() == count) answers = answers_;
  writes_.clear();
  answers_.clear();
  writesState_ = Writes::kNone;
  return answers;
}

bool LineThread::QueueLogSwitch(bool enable, std::string& message) {
  {
    std::lock_guard lock(mutex_);
    if (message_.empty()) return false;
    message = std::exchange(message_, std::string());
    logSwitch_ = enable;
  }
  Wake();
  return true;
}

std::string LineThread::TakeMessage() {
  std::lock_guard lock(mutex_);
  return std::exchange(message_, std::string());
}

void LineThread::SetFaultEvent(int32_t handle) {
  {
    std::lock_guard lock(mutex_);
    faultEvent_ = handle;
  }
  Wake();
}

void LineThread::HandOver(std::unique_ptr<TCustomDLLObject> owner) {
  LineThread* line = owner ? owner->Line() : nullptr;
  if (line == nullptr || line->joined_) return;  // no thread to wait for: owner ends here
  // All under the lock: the thread takes the object only once this caller has let go of it.
  std::lock_guard lock(line->mutex_);
  line->owner_ = std::move(owner);
  line->end_ = true;
  line->wake_ = true;
  line->woken_.notify_one();
  line->driver_.WakeLine();
  if (line->pacer_ != nullptr) line->pacer_->Wake();
}

void LineThread::Run() {
  const auto idleMs = static_cast<uint32_t>(std::max(scanTime_, 1));
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (end_) break;
    }
    // A round that raised is logged as any step that raises, and the line goes on.
    const Pause pause =
        Guarded(&driver_, kClass, "Execute", Pause{idleMs, false}, [&] { return Round(); });
    if (pacer_ != nullptr) {
      pacer_->Pause(pause.ms, pause.onLine);
    } else if (pause.ms > 0) {
      Wait(pause);
    }
  }
  std::unique_ptr<TCustomDLLObject> owner;
  {
    std::lock_guard lock(mutex_);
    owner = std::move(owner_);
  }
  // Handed over: the object, and this with it, ends here; nothing of this is touched after.
  owner.reset();
}

void LineThread::PublishMessage(std::string message) {
  if (!message.empty()) message_ = std::move(message);
}

void LineThread::RunQueuedWrites() {
  std::vector<Write> writes;
  {
    std::lock_guard lock(mutex_);
    if (writesState_ != Writes::kQueued) return;
    writes.swap(writes_);
    writesState_ = Writes::kTaken;
  }
  std::vector<bool> answers(writes.size(), false);
  // Answered even when a write raised, so that the host never waits for good.
  Guarded(&driver_, kClass, "WriteExecute", [&] {
    for (size_t i = 0; i < writes.size(); ++i) {
      answers[i] = driver_.WriteExecute(writes[i].tagId, writes[i].value);
    }
  });
  std::string message = driver_.sErrEvent();
  if (!message.empty()) driver_.WriteCommEvent(std::string());
  {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
    writesState_ = Writes::kAnswered;
    PublishMessage(std::move(message));
  }
  answered_.notify_all();
}

LineThread::Pause LineThread::Round() {
  // The host's requests, in the order a poll would have met them: writes go ahead of the
  // step that may send them.
  std::optional<bool> logSwitch;
  std::optional<int32_t> faultEvent;
  {
    std::lock_guard lock(mutex_);
    logSwitch = std::exchange(logSwitch_, std::nullopt);
    faultEvent = std::exchange(faultEvent_, std::nullopt);
  }
  if (faultEvent) driver_.SetFaultEvent(*faultEvent);
  if (logSwitch) driver_.SetEnLog(*logSwitch);
  RunQueuedWrites();

  const engine::RunStateCode before = static_cast<engine::RunStateCode>(driver_.RunStatus());
  driver_.ReadExecute();

  std::vector<std::pair<int32_t, Change>> changes;
  driver_.ReportChangedTags(tagLimit_, driver_.Tick(), [&changes](const TTagItem& tag) {
    changes.push_back({tag.ListIndex, {tag.TagID, tag.DataType, tag.Quality, tag.Value}});
  });
  std::string message = driver_.sErrEvent();
  if (!message.empty()) driver_.WriteCommEvent(std::string());
  {
    std::lock_guard lock(mutex_);
    for (auto& [position, change] : changes) changes_[position] = std::move(change);
    PublishMessage(std::move(message));
  }

  // A chain of steps that stopped with an event pending, or on a new state, goes on at once;
  // otherwise the machine waits for the line or for the next command to fall due.
  const auto idleMs = static_cast<uint32_t>(std::max(scanTime_, 1));
  const Pause idle{idleMs, false};
  if (!driver_.Running() || driver_.Stopped() || !driver_.CommEnabled()) return idle;
  if (driver_.RunEvent() != engine::kEvNone || driver_.RunStatus() != before) return {};
  if (driver_.RunStatus() == engine::kStateReadSent ||
      driver_.RunStatus() == engine::kStateWriteSent) {
    // The rest of a frame the port's output did not take whole is offered again at the host's
    // poll period, as the polls offer it: the port's wait is for input only.
    const uint32_t left = std::max<uint32_t>(driver_.ReplyTimeLeft(), 1);
    if (driver_.SendPending()) return {std::min(left, idleMs), true};
    // Once the reply has begun, its rest cannot be in before it has had the time its characters
    // take: the thread sleeps that long rather than waking at each character, and waits on the
    // line again for the last one.
    const uint32_t missing = driver_.ReplyBytesMissing();
    const uint64_t restMs = uint64_t{missing} * driver_.CharTimeUs() / 1000;
    if (missing > 1 && restMs > 0)
      return {static_cast<uint32_t>(std::min<uint64_t>(left, restMs)), false};
    return {left, true};
  }
  return idle;
}

void LineThread::Wait(Pause pause) {
  {
    std::lock_guard lock(mutex_);
    if (std::exchange(wake_, false) || end_) return;
  }
  // The port ends the wait as soon as a byte is in, or when it is woken; a port that is closed
  // or failed leaves the wait to the condition variable.
  if (pause.onLine && driver_.WaitForLine(pause.ms) >= 0) {
    std::lock_guard lock(mutex_);
    wake_ = false;
    return;
  }
  std::unique_lock lock(mutex_);
  woken_.wait_for(lock, std::chrono::milliseconds(pause.ms), [this] { return wake_ || end_; });
  wake_ = false;
}

}  // namespace vdinv::protocol
