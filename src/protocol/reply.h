// Reply analysis of the inverter protocol: finding the inverter's reply to a request in the
// text received since the request went out, and the data words of tags in both directions.
//
// A reply has the request's layout with ACK (or NAK) in place of ENQ:
//
//   SOH, station, ACK|NAK, command, group, code, sign, data (4), ETX, check (2)
//
// For a station and a function code below 100 this is 16 bytes: the station at 2-3, ACK/NAK
// at 4, command, group and code at 5-8, the sign at 9, the data at 10-13, ETX at 14 and the
// check digits at 15-16 (1-based from SOH). Longer station or code texts move the later
// fields along: the reply's station text must equal the request's text between SOH and ENQ,
// and the text after ACK/NAK must begin with the request's text between ENQ and the space
// before its data. The check digits are those of every frame (protocol/check_code.h).
//
// Everything here is a pure function of its arguments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vdinv::protocol {

enum class ReplyKind {
  kNone,        // no reply to the request in the text (nothing, noise, other frames)
  kIncomplete,  // a reply has begun and agrees so far; its end has not arrived yet
  kAck,         // a complete, intact reply that acknowledges the request
  kNak,         // a complete, intact reply that refuses it: no value, Data is the error code
};

struct ReplyCheck {
  ReplyKind kind = ReplyKind::kNone;
  // Position of the reply's SOH in the received text (kIncomplete: of the reply begun);
  // npos for kNone.
  size_t start = std::string_view::npos;
  // Bytes of the whole frame, SOH to the last check digit (kAck, kNak; 0 otherwise).
  size_t length = 0;
  // The four data characters (kAck: the data word; kNak: the error code as sent, which some
  // models pad with spaces).
  std::string data;
  // kAck with a "-" in the sign position: the data word is a negative number.
  bool negative = false;
  // Where a search of the same text, grown by more bytes, may begin: every frame from an SOH
  // before it was found to be no reply, and bytes that follow never make one of them a reply.
  size_t resume = 0;
};

// The first frame in the received text, from an SOH, that is a complete and intact reply to
// the request; frames before it that are not (the request's own echo on a two-wire line, a
// stray frame, noise) are skipped. When the first frame that agrees with the reply so far is
// cut short by the end of the text, the result is kIncomplete. A request that is not a frame
// of SOH, station, ENQ, address text and a space matches nothing. Frames from an SOH before
// `from` are passed over: the `resume` of a search of the text when it was shorter.
ReplyCheck FindReply(std::string_view received, std::string_view request, size_t from = 0);

// The value of an analog tag: the data word (four hexadecimal digits, either case) as 0 to
// 65535, negated for a negative reply. Nothing when the data is not four hexadecimal digits:
// the tag keeps its value instead of taking a number the device never sent.
std::optional<double> DecodeAnalog(std::string_view data, bool negative);
// The value of a switch tag: true when the data word is not zero; nothing when the data is not
// four hexadecimal digits.
std::optional<bool> DecodeSwitch(std::string_view data);
// The value of a string tag: the data characters as they came.
std::string DecodeString(std::string_view data);

// The data word written for a switch tag: "0001" for true, "0000" for false.
std::string EncodeSwitch(bool value);
// The data word written for a string tag: a text of one to four hexadecimal digits, upper-case
// and zero-padded to four; nothing for any other text.
std::optional<std::string> EncodeString(std::string_view text);

}  // namespace vdinv::protocol
