#include "soak/inverter_line.h"

#include <algorithm>
#include <cstdlib>

namespace vdinv::test {

using invsim::FunctionCode;

// One opener of the line. The line's state is shared: a device closed and opened again (the
// driver does so after a failed transfer) finds the line as it was.
class InverterLine::Device : public platform::ISerialDevice {
 public:
  explicit Device(InverterLine& line) : line_(line) {}
  ~Device() override { Close(); }

  platform::SerialStatus Open(const std::string&) override { return line_.Open(); }
  void Close() override { line_.open_ = false; }
  bool IsOpen() const override { return line_.open_; }
  platform::SerialStatus Configure(const platform::SerialSettings&) override {
    return line_.open_ ? platform::SerialStatus::kOk : platform::SerialStatus::kNotOpen;
  }
  bool SetQueueSizes(uint32_t, uint32_t) override { return line_.open_; }
  bool PurgeInput() override {
    if (!Usable()) return false;
    line_.DropInput();
    return true;
  }
  // Every write reaches the line at once: nothing is ever left to purge.
  bool PurgeOutput() override { return Usable(); }
  int32_t BytesWaiting() override {
    if (!Usable()) return -1;
    line_.Deliver();
    return static_cast<int32_t>(line_.input_.size());
  }
  int32_t Read(uint8_t* buffer, uint32_t max, uint32_t) override {
    if (!Usable()) return -1;
    line_.Deliver();
    const std::string taken = line_.TakeInput(max);
    std::copy(taken.begin(), taken.end(), buffer);
    return static_cast<int32_t>(taken.size());
  }
  int32_t Write(const uint8_t* bytes, uint32_t count, uint32_t) override {
    if (!Usable()) {
      ++line_.counters_.lostFrames;
      return -1;
    }
    line_.Receive({reinterpret_cast<const char*>(bytes), count});
    return static_cast<int32_t>(count);
  }
  // The line runs on the test's clock: the wait never blocks and reports what is there now.
  int32_t WaitForInput(uint32_t) override {
    const int32_t waiting = BytesWaiting();
    return waiting < 0 ? -1 : (waiting > 0 ? 1 : 0);
  }
  void Wake() override {}

 private:
  bool Usable() const { return line_.open_ && line_.plugged_; }
  InverterLine& line_;
};

std::function<std::unique_ptr<platform::ISerialDevice>()> InverterLine::Factory() {
  return [this] { return std::make_unique<Device>(*this); };
}

int32_t InverterLine::Value(int station, FunctionCode fc) const {
  auto it = memory_.find({station, fc});
  return it == memory_.end() ? 0 : it->second;
}

void InverterLine::Unplug() {
  plugged_ = false;
  DropInput();
  pending_.pieces.clear();
  reader_.Reset();
}

size_t InverterLine::BytesHeld() const {
  size_t n = input_.size() + reader_.Buffered();
  for (const Piece& piece : pending_.pieces) n += piece.bytes.size();
  return n;
}

platform::SerialStatus InverterLine::Open() {
  if (!plugged_) {
    ++counters_.failedOpens;
    return platform::SerialStatus::kNotFound;
  }
  open_ = true;
  return platform::SerialStatus::kOk;
}

void InverterLine::Receive(std::string_view bytes) {
  reader_.Feed(bytes);
  while (auto event = reader_.Next()) {
    if (event->kind == invsim::RequestReader::Kind::kRequest) Answer(event->request);
  }
}

void InverterLine::Answer(const invsim::Request& request) {
  // A station answers the latest request; a reply still under way is cut short.
  pending_.pieces.clear();
  if (request.station < 0 || request.station >= static_cast<int>(stations_.size())) return;
  const StationBehaviour& station = stations_[static_cast<size_t>(request.station)];
  ++(request.write ? counters_.writeRequests : counters_.readRequests);
  if (station.silent) return;

  const Key key{request.station, request.function};
  invsim::Reply reply;
  reply.station = request.station;
  reply.write = request.write;
  reply.function = request.function;
  reply.ack = !station.nak && !(request.write && request.function.group == invsim::kMonitorGroup);
  if (!reply.ack) {
    reply.data = invsim::kErrorWriteDisabled;
  } else if (request.write) {
    memory_[key] = request.data;
    reply.data = request.data;
  } else {
    const int32_t value = Value(request.station, request.function);
    reply.negative = value < 0;
    reply.data = static_cast<uint16_t>(std::abs(value));
  }

  const std::string frame = station.noise + invsim::EncodeReply(reply);
  const int parts = std::max(station.splitParts, 1);
  const size_t size = (frame.size() + static_cast<size_t>(parts) - 1) / static_cast<size_t>(parts);
  const uint32_t now = clock_.TickCount();
  for (size_t at = 0, i = 0; at < frame.size(); at += size, ++i) {
    pending_.pieces.push_back(
        {now + static_cast<uint32_t>(i) * station.splitGapMs, frame.substr(at, size)});
  }
  pending_.meaning = {reply.ack, request.write, key, Value(request.station, request.function)};
  Deliver();
}

void InverterLine::Deliver() {
  const uint32_t now = clock_.TickCount();
  while (!pending_.pieces.empty() &&
         static_cast<int32_t>(now - pending_.pieces.front().dueTick) >= 0) {
    input_ += pending_.pieces.front().bytes;
    pending_.pieces.pop_front();
    if (pending_.pieces.empty() && pending_.meaning.ack) {
      arrived_ = Arrived{input_.size(), pending_.meaning};
    }
  }
}

std::string InverterLine::TakeInput(size_t count) {
  const size_t n = std::min(count, input_.size());
  std::string taken = input_.substr(0, n);
  input_.erase(0, n);
  if (!arrived_) return taken;
  if (arrived_->end > n) {
    arrived_->end -= n;
    return taken;
  }
  const Meaning& m = arrived_->meaning;
  lastAcked_[m.key] = m.value;
  ++(m.write ? counters_.writeAcks : counters_.readAcks);
  ++(m.write ? writeAcks_ : readAcks_)[m.key];
  arrived_.reset();
  return taken;
}

void InverterLine::DropInput() {
  input_.clear();
  arrived_.reset();
}

}  // namespace vdinv::test
