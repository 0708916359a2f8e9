#include "invsim/simulator.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "platform/threading.h"

namespace vdinv::invsim {
namespace {

using Clock = std::chrono::steady_clock;

// How long the thread waits for input before it looks at stop and replug requests again.
constexpr uint32_t kPollMs = 5;
// The longest a single write may wait for a client that does not read.
constexpr uint32_t kWriteTimeoutMs = 500;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string_view ModelName(Model model) {
  return model == Model::kG11S ? "G11S" : "P11S";
}

std::optional<Model> ParseModel(std::string_view text) {
  const std::string upper = Upper(text);
  if (upper == "G11S") return Model::kG11S;
  if (upper == "P11S") return Model::kP11S;
  return std::nullopt;
}

Simulator::Simulator(SimulatorOptions options) : options_(std::move(options)) {}

Simulator::~Simulator() {
  Stop();
}

void Simulator::CheckStation(int station) {
  if (station < 0 || station >= kStationCount) {
    throw std::out_of_range("station " + std::to_string(station) + " is not 0..99");
  }
}

bool Simulator::Start() {
  std::unique_lock lock(mutex_);
  if (running_) return true;
  auto line = std::make_unique<platform::PseudoTerminal>();
  const bool opened = options_.devicePath.empty()
                          ? line->Open(options_.linkPath)
                          : line->OpenDevice(options_.devicePath, options_.line.baud);
  if (!opened) {
    error_ = line->LastError();
    return false;
  }
  error_.clear();
  path_ = line->Path();
  linkPath_ = line->LinkPath();
  line_ = std::move(line);
  requests_ = replies_ = rejected_ = handled_ = 0;
  for (Station& s : stations_) {
    s.requests = s.replies = 0;
    s.requestsPerCode.clear();
  }
  stopping_ = false;
  running_ = true;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void Simulator::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  line_.reset();
  path_.clear();
  linkPath_.clear();
  running_ = false;
  stopping_ = false;
  if (replugGap_) {
    replugGap_.reset();
    replugResult_ = false;
  }
  changed_.notify_all();
}

bool Simulator::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::string Simulator::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::string Simulator::Path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

std::string Simulator::LinkPath() const {
  std::lock_guard lock(mutex_);
  return linkPath_;
}

void Simulator::SetStation(int station, Model model) {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  stations_[static_cast<size_t>(station)].model = model;
}

void Simulator::RemoveStation(int station) {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  stations_[static_cast<size_t>(station)].model.reset();
}

std::optional<Model> Simulator::StationModel(int station) const {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  return stations_[static_cast<size_t>(station)].model;
}

void Simulator::SetValue(int station, FunctionCode fc, int32_t value) {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  stations_[static_cast<size_t>(station)].memory[fc] = value;
}

int32_t Simulator::Value(int station, FunctionCode fc) const {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  const auto& memory = stations_[static_cast<size_t>(station)].memory;
  const auto it = memory.find(fc);
  return it == memory.end() ? 0 : it->second;
}

void Simulator::SetFaults(int station, const StationFaults& faults) {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  stations_[static_cast<size_t>(station)].faults = faults;
}

void Simulator::SetLine(const LineSettings& line) {
  std::lock_guard lock(mutex_);
  options_.line = line;
}

LineSettings Simulator::Line() const {
  std::lock_guard lock(mutex_);
  return options_.line;
}

bool Simulator::Replug(uint32_t gapMs) {
  std::unique_lock lock(mutex_);
  if (!options_.devicePath.empty()) {
    error_ = "a serial device cannot be replugged";
    return false;
  }
  if (!running_) {
    error_ = "not running";
    return false;
  }
  replugGap_ = gapMs;
  replugResult_.reset();
  changed_.wait(lock, [this] { return replugResult_.has_value(); });
  const bool ok = *replugResult_;
  replugResult_.reset();
  return ok;
}

uint64_t Simulator::RequestsSeen() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

uint64_t Simulator::RequestsSeen(int station) const {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  return stations_[static_cast<size_t>(station)].requests;
}

uint64_t Simulator::RequestsSeen(int station, FunctionCode fc) const {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  const auto& perCode = stations_[static_cast<size_t>(station)].requestsPerCode;
  const auto it = perCode.find(fc);
  return it == perCode.end() ? 0 : it->second;
}

uint64_t Simulator::RepliesSent() const {
  std::lock_guard lock(mutex_);
  return replies_;
}

uint64_t Simulator::RepliesSent(int station) const {
  CheckStation(station);
  std::lock_guard lock(mutex_);
  return stations_[static_cast<size_t>(station)].replies;
}

uint64_t Simulator::FramesRejected() const {
  std::lock_guard lock(mutex_);
  return rejected_;
}

uint64_t Simulator::FramesHandled() const {
  std::lock_guard lock(mutex_);
  return handled_;
}

bool Simulator::WaitForFramesHandled(uint64_t count, uint32_t timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return handled_ >= count; });
}

void Simulator::FrameHandled() {
  {
    std::lock_guard lock(mutex_);
    ++handled_;
  }
  changed_.notify_all();
}

bool Simulator::Pause(std::chrono::microseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [this] { return stopping_; });
}

void Simulator::Run() {
  RequestReader reader;
  std::string input;
  for (;;) {
    cpuSeconds_.store(platform::ThreadCpuSeconds(), std::memory_order_relaxed);
    std::optional<uint32_t> replug;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      replug = replugGap_;
    }
    if (replug) {
      const bool ok = DoReplug(*replug);
      reader.Reset();
      endlessReply_ = false;  // it went with the old line
      {
        std::lock_guard lock(mutex_);
        replugGap_.reset();
        replugResult_ = ok;
      }
      changed_.notify_all();
      continue;
    }
    if (Line().stuck) {
      // Refilled whenever the client purges its output.
      line_->FillInbound();
      Pause(std::chrono::milliseconds(1));
      continue;
    }
    input.clear();
    // While a stream goes on, input is only looked at between its pieces.
    const bool streaming = endlessReply_ || Line().noiseFlood;
    if (!streaming) streaming_ = false;
    const platform::LineRead got = line_->Read(input, streaming ? 0 : kPollMs);
    if (got == platform::LineRead::kClosed) {
      // A serial device that went away: nothing to do but wait for Stop.
      Pause(std::chrono::milliseconds(kPollMs));
      continue;
    }
    if (got == platform::LineRead::kData) {
      if (Line().localEcho) line_->Write(input, kWriteTimeoutMs);
      reader.Feed(input);
    }
    while (std::optional<RequestReader::Event> event = reader.Next()) {
      if (event->kind != RequestReader::Kind::kRequest) {
        {
          std::lock_guard lock(mutex_);
          ++rejected_;
        }
        FrameHandled();
        continue;
      }
      endlessReply_ = false;  // a new request ends the reply that went on
      const std::optional<Outgoing> out = Answer(event->request);
      if (!out || !Send(*out)) FrameHandled();
      if (out && out->endless) {
        endlessReply_ = true;
        streaming_ = false;
      }
    }
    const LineSettings settings = Line();
    if (endlessReply_ || settings.noiseFlood) SendStream(!endlessReply_, settings.baud);
  }
}

std::optional<Simulator::Outgoing> Simulator::Answer(const Request& request) {
  std::lock_guard lock(mutex_);
  if (request.station >= kStationCount) return std::nullopt;
  Station& station = stations_[static_cast<size_t>(request.station)];
  ++requests_;
  ++station.requests;
  ++station.requestsPerCode[request.function];
  if (!station.model || station.faults.silent) return std::nullopt;

  const StationFaults& faults = station.faults;
  Reply reply;
  reply.station = request.station;
  reply.write = request.write;
  reply.function = request.function;
  if (faults.nakCode) {
    reply.ack = false;
    reply.data = *faults.nakCode;
  } else if (request.write && request.function.group == kMonitorGroup) {
    reply.ack = false;
    reply.data = kErrorWriteDisabled;
  } else if (request.write) {
    station.memory[request.function] = request.data;
    reply.data = request.data;
  } else {
    const auto it = station.memory.find(request.function);
    const int32_t value = it == station.memory.end() ? 0 : it->second;
    if (request.function.group == kMonitorGroup && value < 0) {
      reply.negative = true;
      reply.data = static_cast<uint16_t>(std::min<int64_t>(-static_cast<int64_t>(value), 0xFFFF));
    } else {
      reply.data = static_cast<uint16_t>(value);
    }
  }
  if (faults.echoStation) reply.station = *faults.echoStation;
  if (faults.echoCode) reply.function = *faults.echoCode;

  Outgoing out;
  out.reply = EncodeReply(reply);
  if (faults.badCheck) {
    // Bump the last check digit: a reply that is complete but wrong.
    char& last = out.reply.back();
    last = last == 'F' ? '0' : (last == '9' ? 'A' : static_cast<char>(last + 1));
  }
  out.noise = faults.noise;
  out.splitParts = std::max(1, faults.splitParts);
  out.splitGapMs = faults.splitGapMs;
  out.waitMs = options_.line.turnaroundMs + faults.delayMs;
  out.baud = options_.line.baud;
  out.station = request.station;
  out.endless = faults.endless;
  return out;
}

bool Simulator::Send(const Outgoing& out) {
  if (out.waitMs > 0 && !Pause(std::chrono::milliseconds(out.waitMs))) return false;
  if (!out.noise.empty() && !SendPaced(out.noise, out.baud)) return false;
  if (out.endless) {
    // Everything up to the data; ETX and the check code never come, so it is no reply sent.
    SendPaced(std::string_view(out.reply).substr(0, out.reply.size() - 3), out.baud);
    return false;
  }
  const size_t parts = std::min(static_cast<size_t>(out.splitParts), out.reply.size());
  size_t begin = 0;
  for (size_t i = 0; i < parts; ++i) {
    const size_t end = out.reply.size() * (i + 1) / parts;
    if (i > 0 && out.splitGapMs > 0 && !Pause(std::chrono::milliseconds(out.splitGapMs))) {
      return false;
    }
    if (i + 1 == parts) {
      // Counted before the last piece goes out, so that a client holding the whole reply
      // always finds it counted.
      {
        std::lock_guard lock(mutex_);
        ++replies_;
        ++stations_[static_cast<size_t>(out.station)].replies;
        ++handled_;
      }
      changed_.notify_all();
    }
    if (!SendPaced(std::string_view(out.reply).substr(begin, end - begin), out.baud)) {
      return i + 1 == parts;
    }
    begin = end;
  }
  return true;
}

bool Simulator::SendPaced(std::string_view bytes, uint32_t baud) {
  if (baud == 0) return line_->Write(bytes, kWriteTimeoutMs);
  // Ten bits per character (start, eight data, stop): byte i leaves i character times after
  // the first, so the whole text takes as long as it would on the wire.
  const auto characterTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
  const Clock::time_point start = Clock::now();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const Clock::time_point due = start + characterTime * static_cast<int64_t>(i + 1);
    if (!line_->Write(bytes.substr(i, 1), kWriteTimeoutMs)) return false;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(due - Clock::now());
    if (left.count() > 0 && !Pause(left)) return false;
  }
  return true;
}

void Simulator::SendStream(bool noise, uint32_t baud) {
  constexpr size_t kPiece = 512;
  const Clock::time_point now = Clock::now();
  if (!streaming_) {
    streaming_ = true;
    streamStart_ = now;
    streamSent_ = 0;
  }
  size_t count = kPiece;
  if (baud > 0) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - streamStart_);
    const uint64_t due = static_cast<uint64_t>(elapsed.count()) * baud / 10'000'000;
    count = static_cast<size_t>(std::min<uint64_t>(due - streamSent_, kPiece));
    if (count == 0) {
      Pause(std::chrono::milliseconds(1));
      return;
    }
  }
  std::string piece(count, '0');
  if (noise) {
    for (char& c : piece) c = static_cast<char>(NextNoiseByte());
  }
  // A client that does not read makes the stream wait here, a poll interval at a time.
  line_->Write(piece, kPollMs);
  streamSent_ += count;
}

uint8_t Simulator::NextNoiseByte() {
  noiseState_ = noiseState_ * 1103515245u + 12345u;
  return static_cast<uint8_t>(noiseState_ >> 16);
}

bool Simulator::DoReplug(uint32_t gapMs) {
  // The new pseudo-terminal is opened while the old one is still held, so it gets another
  // number and a client cannot mistake it for the old line.
  auto fresh = std::make_unique<platform::PseudoTerminal>();
  if (!fresh->Open()) {
    std::lock_guard lock(mutex_);
    error_ = fresh->LastError();
    return false;
  }
  line_->Close();  // removes the link: the adapter is gone
  line_ = std::move(fresh);
  {
    std::lock_guard lock(mutex_);
    path_ = line_->Path();
  }
  if (gapMs > 0) Pause(std::chrono::milliseconds(gapMs));
  bool linked = true;
  std::string error;
  if (!options_.linkPath.empty()) {
    linked = line_->SetLink(options_.linkPath);
    if (!linked) error = line_->LastError();
  }
  std::lock_guard lock(mutex_);
  linkPath_ = line_->LinkPath();
  if (!linked) error_ = error;
  return linked;
}

}  // namespace vdinv::invsim
