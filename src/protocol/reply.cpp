#include "protocol/reply.h"

#include <cstdint>

#include "protocol/check_code.h"
#include "protocol/protocol_table.h"

namespace vdinv::protocol {
namespace {

constexpr size_t kDataChars = 4;
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// The parts of a request that its reply repeats: the station text (between SOH and ENQ) and
// the address text (command, group and code: between ENQ and the space before the data).
struct RequestHead {
  std::string_view station;
  std::string_view address;
};

std::optional<RequestHead> HeadOf(std::string_view request) {
  if (request.empty() || request[0] != kSOH) return std::nullopt;
  const size_t enq = request.find(kENQ, 1);
  if (enq == std::string_view::npos || enq == 1) return std::nullopt;
  const size_t space = request.find(' ', enq + 1);
  if (space == std::string_view::npos || space == enq + 1) return std::nullopt;
  return RequestHead{request.substr(1, enq - 1), request.substr(enq + 1, space - enq - 1)};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The data word of four hexadecimal digits.
std::optional<uint32_t> DataWord(std::string_view data) {
  if (data.size() != kDataChars) return std::nullopt;
  uint32_t word = 0;
  for (char c : data) {
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    word = word * 16 + static_cast<uint32_t>(digit);
  }
  return word;
}

// Checks the frame that begins with the SOH at `start` against the reply layout, byte by byte
// as far as the text goes. kNone: some byte disagrees.
ReplyKind MatchAt(std::string_view text, size_t start, const RequestHead& head) {
  const size_t d = head.station.size();
  const size_t a = head.address.size();
  const size_t ackAt = d + 1;
  const size_t addressAt = d + 2;
  const size_t signAt = addressAt + a;
  const size_t etxAt = signAt + 1 + kDataChars;
  const size_t length = etxAt + 3;
  const std::string_view frame = text.substr(start);

  std::string check;  // the check digits the bytes up to ETX call for
  for (size_t i = 1; i < length; ++i) {
    if (i >= frame.size()) return ReplyKind::kIncomplete;
    const char c = frame[i];
    if (i <= d) {
      if (c != head.station[i - 1]) return ReplyKind::kNone;
    } else if (i == ackAt) {
      if (c != kACK && c != kNAK) return ReplyKind::kNone;
    } else if (i >= addressAt && i < signAt) {
      if (c != head.address[i - addressAt]) return ReplyKind::kNone;
    } else if (i == etxAt) {
      if (c != kETX) return ReplyKind::kNone;
      // The sign and the data are any bytes; the check digits vouch for them.
      check = CheckDigits(frame.substr(1, etxAt));
    } else if (i > etxAt) {
      if (c != check[i - etxAt - 1]) return ReplyKind::kNone;
    }
  }
  return frame[ackAt] == kACK ? ReplyKind::kAck : ReplyKind::kNak;
}

}  // namespace

ReplyCheck FindReply(std::string_view received, std::string_view request, size_t from) {
  ReplyCheck result;
  // A frame that disagrees with the reply does so at a byte already there, so it stays none.
  result.resume = received.size();
  const std::optional<RequestHead> head = HeadOf(request);
  if (!head) return result;
  for (size_t at = received.find(kSOH, from); at != std::string_view::npos;
       at = received.find(kSOH, at + 1)) {
    const ReplyKind kind = MatchAt(received, at, *head);
    if (kind == ReplyKind::kNone) continue;
    result.kind = kind;
    result.start = at;
    result.resume = at;
    // A reply from a later SOH cannot be complete while this one is cut short: it would end
    // later still.
    if (kind == ReplyKind::kIncomplete) return result;
    const size_t signAt = at + head->station.size() + 2 + head->address.size();
    result.length = signAt + 1 + kDataChars + 3 - at;
    result.data = std::string(received.substr(signAt + 1, kDataChars));
    result.negative = kind == ReplyKind::kAck && received[signAt] == '-';
    return result;
  }
  return result;
}

std::optional<double> DecodeAnalog(std::string_view data, bool negative) {
  const std::optional<uint32_t> word = DataWord(data);
  if (!word) return std::nullopt;
  const double value = static_cast<double>(*word);
  return negative && *word != 0 ? -value : value;
}

std::optional<bool> DecodeSwitch(std::string_view data) {
  const std::optional<uint32_t> word = DataWord(data);
  if (!word) return std::nullopt;
  return *word != 0;
}

std::string DecodeString(std::string_view data) {
  return std::string(data);
}

std::string EncodeSwitch(bool value) {
  return value ? "0001" : "0000";
}

std::optional<std::string> EncodeString(std::string_view text) {
  if (text.empty() || text.size() > kDataChars) return std::nullopt;
  std::string word(kDataChars - text.size(), '0');
  for (char c : text) {
    const int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    word += kHexDigits[static_cast<size_t>(digit)];
  }
  return word;
}

}  // namespace vdinv::protocol
