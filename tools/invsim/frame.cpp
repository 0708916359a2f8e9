#include "invsim/frame.h"

#include <cctype>

namespace vdinv::invsim {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Hex4(uint16_t value) {
  std::string out(4, '0');
  for (int i = 3; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kHexDigits[value & 0xF];
    value = static_cast<uint16_t>(value >> 4);
  }
  return out;
}

std::string Decimal2(int value) {
  std::string out = std::to_string(value);
  if (out.size() < 2) out.insert(0, 2 - out.size(), '0');
  return out;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads 1 to 3 decimal digits from the front of text.
std::optional<int> TakeNumber(std::string_view& text) {
  size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  if (n == 0 || n > 3) return std::nullopt;
  int value = 0;
  for (size_t i = 0; i < n; ++i) value = value * 10 + (text[i] - '0');
  text.remove_prefix(n);
  return value;
}

}  // namespace

std::string FunctionCodeText(FunctionCode fc) {
  return std::string(1, fc.group) + Decimal2(fc.code);
}

std::optional<FunctionCode> ParseFunctionCode(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char group = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (kGroups.find(group) == std::string_view::npos) return std::nullopt;
  text.remove_prefix(1);
  std::optional<int> code = TakeNumber(text);
  if (!code || !text.empty()) return std::nullopt;
  return FunctionCode{group, *code};
}

std::string CheckCode(std::string_view body) {
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  sum &= 0xFF;
  return {kHexDigits[sum >> 4], kHexDigits[sum & 0xF]};
}

std::string EncodeReply(const Reply& reply) {
  std::string body = Decimal2(reply.station);
  body += reply.ack ? kACK : kNAK;
  body += reply.write ? 'W' : 'R';
  body += FunctionCodeText(reply.function);
  body += reply.negative ? '-' : ' ';
  body += Hex4(reply.data);
  body += kETX;
  return kSOH + body + CheckCode(body);
}

std::optional<Request> ParseRequestBody(std::string_view body) {
  Request r;
  std::optional<int> station = TakeNumber(body);
  if (!station || body.empty() || body[0] != kENQ) return std::nullopt;
  r.station = *station;
  body.remove_prefix(1);
  if (body.size() < 2) return std::nullopt;
  if (body[0] != 'R' && body[0] != 'W') return std::nullopt;
  r.write = body[0] == 'W';
  r.function.group = body[1];
  if (kGroups.find(r.function.group) == std::string_view::npos) return std::nullopt;
  body.remove_prefix(2);
  std::optional<int> code = TakeNumber(body);
  if (!code) return std::nullopt;
  r.function.code = *code;
  // A space, exactly four hexadecimal digits, ETX and nothing after.
  if (body.size() != 6 || body[0] != ' ' || body[5] != kETX) return std::nullopt;
  unsigned data = 0;
  for (size_t i = 1; i <= 4; ++i) {
    const int digit = HexValue(body[i]);
    if (digit < 0) return std::nullopt;
    data = data * 16 + static_cast<unsigned>(digit);
  }
  r.data = static_cast<uint16_t>(data);
  return r;
}

std::optional<RequestReader::Event> RequestReader::Next() {
  const size_t soh = buffer_.find(kSOH);
  if (soh == std::string::npos) {
    noise_ += buffer_.size();
    buffer_.clear();
    return std::nullopt;
  }
  noise_ += soh;
  buffer_.erase(0, soh);
  const size_t etx = buffer_.find(kETX, 1);
  if (etx == std::string::npos || etx + 3 > kMaxFrame) {
    if (etx == std::string::npos && buffer_.size() < kMaxFrame) return std::nullopt;
    buffer_.erase(0, 1);
    return Event{Kind::kMalformed, {}};
  }
  if (buffer_.size() < etx + 3) return std::nullopt;  // the check code is still coming
  const std::string_view body(buffer_.data() + 1, etx);
  const std::string_view check(buffer_.data() + etx + 1, 2);
  if (check != CheckCode(body)) {
    buffer_.erase(0, 1);
    return Event{Kind::kBadCheck, {}};
  }
  std::optional<Request> request = ParseRequestBody(body);
  buffer_.erase(0, etx + 3);
  if (!request) return Event{Kind::kMalformed, {}};
  return Event{Kind::kRequest, *request};
}

}  // namespace vdinv::invsim
