// The inverter's side of the line protocol: requests taken out of the received byte stream
// and the replies a station sends back. Pure code, no line and no threads.
//
// Request: SOH, station (2 decimal digits), ENQ, command ("R" read, "W" write), group letter,
// function-code number (2 decimal digits), a space, data (4 hexadecimal digits, "0000" in a
// read), ETX, check code. Reply: the same layout with ACK or NAK in place of ENQ; in a read
// reply of a monitor value the space becomes "-" for a negative value. The check code is the
// byte sum, modulo 256, of everything between SOH and the check code, as two upper-case
// hexadecimal digits.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::invsim {

inline constexpr char kSOH = 0x01;
inline constexpr char kETX = 0x03;
inline constexpr char kENQ = 0x05;
inline constexpr char kACK = 0x06;
inline constexpr char kNAK = 0x15;

// The function-code groups a station knows; "M" (monitor) codes are read-only.
inline constexpr std::string_view kGroups = "FECPHAOSM";
inline constexpr char kMonitorGroup = 'M';

// Error codes carried by a NAK reply.
inline constexpr uint16_t kErrorWriteDisabled = 0x004F;

struct FunctionCode {
  char group = 'F';
  int code = 0;
  auto operator<=>(const FunctionCode&) const = default;
};

// "F03", "M09".
std::string FunctionCodeText(FunctionCode fc);
// Parses "F03", "m9", "S12" (group letter, then 1 to 3 decimal digits); nothing when malformed.
std::optional<FunctionCode> ParseFunctionCode(std::string_view text);

// The two check digits of a frame body.
std::string CheckCode(std::string_view body);

struct Request {
  int station = 0;  // 0..999 as sent; stations above 99 do not exist
  bool write = false;
  FunctionCode function;
  uint16_t data = 0;  // the data word of a write; whatever a read carried
};

struct Reply {
  int station = 0;
  bool ack = true;
  bool write = false;
  FunctionCode function;
  bool negative = false;  // "-" in place of the space
  uint16_t data = 0;
};

// The whole reply frame, SOH to check code.
std::string EncodeReply(const Reply& reply);

// Cuts requests out of the received bytes. Bytes before an SOH are dropped; a frame whose check
// code is wrong costs only its SOH, so a good frame hidden behind a broken one is still found.
class RequestReader {
 public:
  enum class Kind {
    kRequest,    // a well-formed request with a good check code
    kBadCheck,   // SOH..ETX with a wrong check code
    kMalformed,  // a good check code around something that is not a request, or no ETX
                 // within the longest frame
  };
  struct Event {
    Kind kind = Kind::kRequest;
    Request request;  // kRequest only
  };

  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next complete frame, or nothing while more bytes are needed.
  std::optional<Event> Next();
  // Drops everything buffered (the line was replaced).
  void Reset() { buffer_.clear(); }
  size_t Buffered() const { return buffer_.size(); }
  // Bytes dropped that were not part of any frame.
  uint64_t NoiseBytes() const { return noise_; }

  // A request frame is 16 bytes; anything longer than this without ETX is not one.
  static constexpr size_t kMaxFrame = 32;

 private:
  std::string buffer_;
  uint64_t noise_ = 0;
};

// Parses the body between SOH and the check code (station to ETX); nothing when malformed.
std::optional<Request> ParseRequestBody(std::string_view body);

}  // namespace vdinv::invsim
