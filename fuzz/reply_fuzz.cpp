// Fuzzes the reply search and the data-word decoders with arbitrary received bytes.
//
// Input: byte 0 the station (0..99), byte 1 the group letter (low bits) and the command (bit 7:
// write), byte 2 the function code (0..99), byte 3 a mode: bit 0 appends a well-formed reply
// to the request after the received bytes, bit 1 makes it a NAK, bit 2 gives it the "-" sign,
// bit 3 moves station and code to 100..199 (longer frames). The rest are the received bytes;
// the first four of them are also the appended reply's data.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/number_text.h"
#include "protocol/check_code.h"
#include "protocol/protocol_table.h"
#include "protocol/reply.h"

namespace {

namespace p = vdinv::protocol;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameResult(const p::ReplyCheck& a, const p::ReplyCheck& b, size_t shift) {
  return a.kind == b.kind && a.start == b.start + shift && a.length == b.length &&
         a.data == b.data && a.negative == b.negative;
}

bool Found(const p::ReplyCheck& r) {
  return r.kind == p::ReplyKind::kAck || r.kind == p::ReplyKind::kNak;
}

// The decoders on any four characters.
void CheckDecoders(std::string_view data, bool negative) {
  const std::optional<double> value = p::DecodeAnalog(data, negative);
  const std::optional<bool> truth = p::DecodeSwitch(data);
  Check(value.has_value() == truth.has_value());
  Check(p::DecodeString(data) == data);
  if (!value) return;
  Check(std::fabs(*value) <= 65535 && std::floor(*value) == *value);
  Check(std::signbit(*value) == (negative && *value != 0));
  Check(*truth == (*value != 0));
  const std::optional<std::string> word = p::EncodeString(data);
  Check(word && word->size() == 4);
  Check(p::DecodeAnalog(*word, false) == p::DecodeAnalog(data, false));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t mode = data[3];
  const int offset = (mode & 8) != 0 ? 100 : 0;
  const std::string station = vdinv::DecimalText(data[0] % 100 + offset, p::kDevIDWidth);
  const std::string address = std::string((data[1] & 0x80) != 0 ? p::kWriteCode : p::kReadCode) +
                              std::string(vdinv::kTypePrefix[data[1] % 9]) +
                              vdinv::DecimalText(data[2] % 100 + offset, 2);
  const std::string body = station + p::kENQ + address + " 0000" + p::kETX;
  const std::string request = p::kSOH + body + p::CheckDigits(body);
  const size_t frameLength = station.size() + address.size() + 10;

  std::string received(reinterpret_cast<const char*>(data + 4), size - 4);
  const size_t appendedAt = received.size();
  if ((mode & 1) != 0) {
    std::string word = received.substr(0, 4);
    word.resize(4, '0');
    const std::string replyBody = station + ((mode & 2) != 0 ? p::kNAK : p::kACK) + address +
                                  ((mode & 4) != 0 ? '-' : ' ') + word + p::kETX;
    received += p::kSOH + replyBody + p::CheckDigits(replyBody);
  }

  const p::ReplyCheck r = p::FindReply(received, request);
  const std::string_view text = received;
  if (Found(r)) {
    Check(r.start < text.size() && r.length == frameLength && r.start + r.length <= text.size());
    const std::string_view frame = text.substr(r.start, r.length);
    Check(frame[0] == p::kSOH && frame.substr(1, station.size()) == station);
    Check(frame[station.size() + 1] == (r.kind == p::ReplyKind::kAck ? p::kACK : p::kNAK));
    Check(frame.substr(station.size() + 2, address.size()) == address);
    const size_t signAt = station.size() + 2 + address.size();
    Check(r.data == frame.substr(signAt + 1, 4) && frame[signAt + 5] == p::kETX);
    Check(r.negative == (r.kind == p::ReplyKind::kAck && frame[signAt] == '-'));
    Check(p::CheckDigits(frame.substr(1, signAt + 5)) == frame.substr(signAt + 6, 2));
    // The first reply: nothing before it is one, and the bytes after it change nothing.
    Check(!Found(p::FindReply(text.substr(0, r.start), request)));
    Check(SameResult(p::FindReply(text.substr(0, r.start + r.length), request), r, 0));
    Check(SameResult(r, p::FindReply(text.substr(r.start), request), r.start));
    // Every cut of it is still awaited.
    const size_t cut = r.start + 1 + size % (r.length - 1);
    const p::ReplyCheck partial = p::FindReply(text.substr(0, cut), request);
    Check(partial.kind == p::ReplyKind::kIncomplete && partial.start <= r.start);
    CheckDecoders(r.data, r.negative);
  } else if (r.kind == p::ReplyKind::kIncomplete) {
    Check(r.start < text.size() && text[r.start] == p::kSOH);
    Check(text.size() - r.start < frameLength && r.length == 0 && r.data.empty());
  } else {
    Check(r.start == std::string_view::npos && r.length == 0 && r.data.empty());
  }
  // A well-formed reply at the end is found, or an earlier one is.
  if ((mode & 1) != 0) Check(Found(r) && r.start <= appendedAt);

  if (text.size() >= 4) CheckDecoders(text.substr(0, 4), (mode & 4) != 0);
  const std::optional<std::string> word = p::EncodeString(text.substr(0, size % 6));
  if (word) {
    Check(word->size() == 4);
    for (char c : *word) Check((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
  }
  return 0;
}
