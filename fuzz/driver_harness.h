// What the fuzz targets that run driver objects share: the host's surroundings (a temporary
// directory made once, a registry stand-in that names nothing, a clock the target moves, a
// serial line in memory), the host functions on the fuzzer's thread, and a reader of the
// fuzzer's bytes. No target opens a real device or sleeps.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/parameter_block.h"
#include "common/records.h"
#include "host/process.h"
#include "host/runtime_api.h"
#include "platform/text.h"
#include "protocol/check_code.h"
#include "protocol/protocol_table.h"
#include "protocol/reply.h"
#include "support/device_block.h"
#include "support/fake_clock.h"
#include "support/fake_serial_device.h"

namespace vdinv::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads the fuzzer's bytes from the front; past the end every read gives zeros.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  size_t Remaining() const { return Empty() ? 0 : size_ - pos_; }
  uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
  // Up to n bytes (fewer at the end).
  std::string_view Bytes(size_t n) {
    n = std::min(n, Remaining());
    std::string_view out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }
  // n bytes copied into out, zeros past the end.
  void Fill(void* out, size_t n) {
    std::memset(out, 0, n);
    const std::string_view got = Bytes(n);
    std::memcpy(out, got.data(), got.size());
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class DriverHost {
 public:
  static DriverHost& Instance() {
    // Never destroyed: the process's driver outlives every input.
    static DriverHost* host = new DriverHost();
    return *host;
  }

  test::FakeClock clock;
  std::shared_ptr<test::FakeSerialLine> line = std::make_shared<test::FakeSerialLine>();

  // A block of the given devices (device number, model code), logging off, with a short
  // reply time-out.
  static TDevParmBlock Block(std::initializer_list<std::pair<int, uint8_t>> devices) {
    return test::DevicesBlock(devices, 100);
  }

  static TTagInfo Tag(uint32_t id, const char* address, uint8_t type, uint32_t scanPeriod = 0) {
    TTagInfo info{};
    info.TagID = id;
    std::strncpy(info.TagName, address, sizeof info.TagName - 1);
    std::strncpy(info.TagAddr, address, sizeof info.TagAddr);
    info.DataType = type;
    info.ScanPeriod = scanPeriod;
    return info;
  }

  // IniDriver with a fresh line, as a host calls it.
  bool Init(std::vector<TTagInfo>& tags, void* pdb) {
    TrimLog();
    // Every input starts at the same moment on an idle line, so that a finding reproduces.
    clock.SetTick(1000);
    clock.SetNow({2026, 12, 7, 7, 26, 50, 0});
    *line = test::FakeSerialLine{};
    std::vector<TTagInfo*> pointers;
    handedOver_.clear();
    for (TTagInfo& tag : tags) {
      pointers.push_back(&tag);
      handedOver_.insert({tag.TagID, tag.DataType});
    }
    char* msg = nullptr;
    const bool ok =
        host::IniDriver(static_cast<int32_t>(pointers.size()), pointers.data(), pdb, &msg);
    std::free(msg);
    reportSlots = std::max<size_t>(tags.size(), 1);
    checkedWrites_ = 0;
    const TDevParmBlock loaded = LoadPdb(pdb);
    for (int i = 0; i < kDeviceCount; ++i) {
      const uint8_t model = loaded.Devices[i].Model;
      stations_[static_cast<size_t>(i)] = model == kModelG11S || model == kModelP11S;
    }
    return ok;
  }

  // One OnDataRead; every record names a tag the host handed over, with that tag's data type
  // (a host may hand over one identifier twice), and the texts handed over are released. The
  // number of records reported.
  int32_t Poll() {
    std::vector<TTagValue> values(reportSlots);
    int32_t count = -1;
    char* msg = nullptr;
    Check(host::OnDataRead(&count, values.data(), &msg));
    std::free(msg);
    Check(count >= 0 && static_cast<size_t>(count) <= values.size());
    for (int32_t i = 0; i < count; ++i) {
      const TTagValue& record = values[static_cast<size_t>(i)];
      Check(handedOver_.count({record.TagID, record.DataType}) == 1);
      if (record.DataType == kString) std::free(record.Value.text);
    }
    return count;
  }

  // OnDataWrite; the message handed over is released.
  static bool Write(std::vector<TTagValue>& records) {
    char* msg = nullptr;
    const bool ok = host::OnDataWrite(static_cast<int32_t>(records.size()), records.data(), &msg);
    std::free(msg);
    return ok;
  }

  // FreeDriver, then the end of the host thread: the object goes, so that an input leaves no
  // allocations behind.
  static void Free() {
    Check(host::FreeDriver());
    host::Process::Instance().ReplaceThreadDriver(nullptr);
  }

  // A well-formed reply to the last request put on the line (kind ACK or NAK, sign ' ' or '-',
  // four data characters), or nothing when no request went out.
  std::string ReplyToLastRequest(char kind, char sign, std::string_view word) const {
    if (line->writes.empty()) return {};
    const std::string& request = line->writes.back();
    const size_t enq = request.find(protocol::kENQ);
    const size_t etx = request.rfind(protocol::kETX);
    if (request.empty() || request[0] != protocol::kSOH || enq == std::string::npos ||
        etx == std::string::npos || etx < enq + 6) {
      return {};
    }
    std::string data(word.substr(0, 4));
    data.resize(4, '0');
    const std::string body = request.substr(1, enq - 1) + kind +
                             request.substr(enq + 1, etx - 5 - enq - 1) + sign + data +
                             protocol::kETX;
    return protocol::kSOH + body + protocol::CheckDigits(body);
  }

  // One step of a line, read from the fuzzer's bytes: a control byte, a length byte and that
  // many received bytes, and with control bit 4 four data characters of a reply. Control bits
  // 0..3 move the clock by 25 ms each (0..375 ms, beyond the line's 100 ms time-out), bit 4
  // appends a well-formed reply to the last request after the received bytes (bit 5 makes it
  // a NAK, bit 6 gives it the "-" sign), bit 7 makes the device vanish for this poll. Then the
  // line is polled and the requests it sent are checked.
  void LineStep(ByteReader& in) {
    const uint8_t control = in.Byte();
    const uint8_t length = in.Byte();
    std::string received(in.Bytes(length));
    if ((control & 0x10) != 0) {
      received += ReplyToLastRequest((control & 0x20) != 0 ? protocol::kNAK : protocol::kACK,
                                     (control & 0x40) != 0 ? '-' : ' ', in.Bytes(4));
    }
    clock.Advance(25u * (control & 0x0Fu));
    line->Arrive(received);
    line->vanished = (control & 0x80) != 0;
    Poll();
    line->vanished = false;
    CheckRequests();
  }

  // Every frame put on the line is a request of a station of the block: SOH, two station
  // digits, ENQ, and a body closed by ETX and its check code.
  void CheckRequests() {
    for (; checkedWrites_ < line->writes.size(); ++checkedWrites_) {
      const std::string& frame = line->writes[checkedWrites_];
      Check(frame.size() > 6 && frame[0] == protocol::kSOH && frame[3] == protocol::kENQ);
      const int station = (frame[1] - '0') * 10 + (frame[2] - '0');
      Check(frame[1] >= '0' && frame[1] <= '9' && frame[2] >= '0' && frame[2] <= '9');
      Check(stations_[static_cast<size_t>(station)]);
      const size_t etx = frame.size() - 3;
      Check(frame[etx] == protocol::kETX);
      Check(frame.substr(etx + 1) == protocol::CheckDigits(std::string_view(frame).substr(1, etx)));
    }
  }

  size_t reportSlots = 1;

 private:
  DriverHost() {
    dir_ = std::filesystem::temp_directory_path() /
           ("vdinv-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_ / "Debug");
    // The registry stand-in is a file that does not exist: no host installation is found.
    setenv("VD_INV_REGISTRY", (dir_ / "registry.ini").c_str(), 1);
    logPath_ = (dir_ / "Debug" / "VD_Inv.Log").string();
    host::Process& process = host::Process::Instance();
    process.UseClock(&clock);
    process.UseLogPath(logPath_);
    process.UseSerialDevices(test::FakeSerialDevice::Factory(line));
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Instance().dir_, ec);
    });
  }

  // Keeps the log from growing without bound.
  void TrimLog() {
    if (++runs_ % 256 == 0) {
      std::error_code ec;
      std::filesystem::remove(logPath_, ec);
    }
  }

  std::filesystem::path dir_;
  std::string logPath_;
  size_t checkedWrites_ = 0;
  // Identifier and data type of every tag record handed to IniDriver.
  std::set<std::pair<uint32_t, uint8_t>> handedOver_;
  // The stations a request may name: the block's devices with a model.
  std::array<bool, kDeviceCount> stations_{};
  uint64_t runs_ = 0;
};

}  // namespace vdinv::fuzz
