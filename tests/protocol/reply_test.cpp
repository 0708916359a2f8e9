// Finding the inverter's reply in the received text, and the data words of tags.
#include "protocol/reply.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "protocol/check_code.h"
#include "protocol/dll_object.h"
#include "protocol/object_harness.h"
#include "support/engine_fixture.h"

namespace vdinv::protocol {
namespace {

const std::string kSoh(1, '\x01');
const std::string kEnq(1, '\x05');
const std::string kAck(1, '\x06');
const std::string kNak(1, '\x15');
const std::string kEtx(1, '\x03');

// SOH, station, code byte, the rest up to the data, ETX and the given check digits.
std::string Frame(const std::string& station, const std::string& code, const std::string& middle,
                  const std::string& check) {
  return kSoh + station + code + middle + kEtx + check;
}
// The same with the right check digits.
std::string Frame(const std::string& station, const std::string& code, const std::string& middle) {
  return Frame(station, code, middle, CheckDigits(station + code + middle + kEtx));
}

const std::string kReadF03 = Frame("01", kEnq, "RF03 0000");  // station 1, F03
const std::string kReplyF03 = Frame("01", kAck, "RF03 0BB8", "71");

TEST(ReplyFind, GoldenVectors) {
  const std::string writeS01 = Frame("12", kEnq, "WS01 0FA0", "7D");
  const std::string readM09 = Frame("12", kEnq, "RM09 0000", "53");
  EXPECT_EQ(CheckDigits("12" + kEnq + "WS01 0FA0" + kEtx), "7D");
  EXPECT_EQ(CheckDigits("12" + kEnq + "RM09 0000" + kEtx), "53");

  ReplyCheck r = FindReply(Frame("12", kAck, "WS01 0FA0", "7E"), writeS01);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.start, 0u);
  EXPECT_EQ(r.length, 16u);
  EXPECT_EQ(r.data, "0FA0");

  r = FindReply(Frame("12", kAck, "RM09 0BB8", "80"), readM09);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(DecodeAnalog(r.data, r.negative), 3000.0);

  r = FindReply(Frame("12", kNak, "WS01 004C", "7D"), writeS01);
  EXPECT_EQ(r.kind, ReplyKind::kNak);
  EXPECT_EQ(r.data, "004C");
  // An error code padded with spaces comes back as sent.
  r = FindReply(Frame("12", kNak, "WS01   4C", "5D"), writeS01);
  EXPECT_EQ(r.kind, ReplyKind::kNak);
  EXPECT_EQ(r.data, "  4C");

  r = FindReply(kReplyF03, kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(DecodeAnalog(r.data, r.negative), 3000.0);
}

TEST(ReplyFind, CheckDigitsMustBeRightAndUpperCase) {
  EXPECT_EQ(FindReply(Frame("01", kAck, "RF03 0BB8", "70"), kReadF03).kind, ReplyKind::kNone);
  EXPECT_EQ(FindReply(Frame("01", kAck, "RF03 0064", "4F"), kReadF03).kind, ReplyKind::kAck);
  EXPECT_EQ(FindReply(Frame("01", kAck, "RF03 0064", "4f"), kReadF03).kind, ReplyKind::kNone);
  // A small sum still has two digits.
  EXPECT_EQ(CheckDigits(std::string(1, '\x0A')), "0A");
  EXPECT_EQ(CheckDigits(""), "00");
}

TEST(ReplyFind, EveryCutIsIncompleteUntilTheLastDigit) {
  for (size_t n = 1; n < kReplyF03.size(); ++n) {
    ReplyCheck r = FindReply(kReplyF03.substr(0, n), kReadF03);
    EXPECT_EQ(r.kind, ReplyKind::kIncomplete) << n;
    EXPECT_EQ(r.start, 0u) << n;
    EXPECT_TRUE(r.data.empty()) << n;
  }
  // A wrong first check digit is known before the second arrives.
  EXPECT_EQ(FindReply(kReplyF03.substr(0, 14) + "8", kReadF03).kind, ReplyKind::kNone);
  // Bytes after the check digits are ignored.
  ReplyCheck r = FindReply(kReplyF03 + "\x01junk", kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.length, 16u);
}

TEST(ReplyFind, StationZeroIsNotTakenForACheckCode) {
  const std::string request = Frame("00", kEnq, "RF03 0000");
  const std::string reply = Frame("00", kAck, "RF03 0BB8");
  EXPECT_EQ(FindReply(kSoh + "00", request).kind, ReplyKind::kIncomplete);
  EXPECT_EQ(FindReply(reply.substr(0, 13), request).kind, ReplyKind::kIncomplete);
  EXPECT_EQ(FindReply(reply.substr(0, 14), request).kind, ReplyKind::kIncomplete);
  EXPECT_EQ(FindReply(reply, request).kind, ReplyKind::kAck);
}

TEST(ReplyFind, SkipsEchoStrayFramesAndNoise) {
  // The request's own echo on a two-wire line, then the reply.
  ReplyCheck r = FindReply(kReadF03 + kReplyF03, kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.start, 16u);
  // The echo and the start of the reply: wait for the rest.
  r = FindReply(kReadF03 + kReplyF03.substr(0, 10), kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kIncomplete);
  EXPECT_EQ(r.start, 16u);
  // Noise with ETX and stray SOH bytes, a complete reply from another station, then ours.
  const std::string noise = "\x03zz\x01\x01" + std::string("01") + "\x03";
  const std::string stray = Frame("02", kAck, "RF03 0BB8");
  r = FindReply(noise + stray + kReplyF03, kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.start, noise.size() + stray.size());
  EXPECT_EQ(r.data, "0BB8");
}

TEST(ReplyFind, RepliesForAnotherStationOrCodeDoNotMatch) {
  // Each has the right check digits for its own bytes.
  for (const std::string& other :
       {Frame("02", kAck, "RF03 0BB8"), Frame("01", kAck, "RF04 0BB8"),
        Frame("01", kAck, "RE03 0BB8"), Frame("01", kAck, "WF03 0BB8"),
        Frame("1", kAck, "RF03 0BB8"), Frame("01", kEnq, "RF03 0BB8"),
        Frame("01", kAck, "RF030BB8"), Frame("01", kAck, "RF03 0BB8 ")}) {
    EXPECT_EQ(FindReply(other, kReadF03).kind, ReplyKind::kNone) << other;
  }
  // A request that is no frame matches nothing.
  for (const std::string& request :
       {std::string(), std::string("01") + kEnq + "RF03 0000", kSoh + "01RF03 0000",
        kSoh + kEnq + "RF03 0000", kSoh + "01" + kEnq + " 0000", kSoh + "01" + kEnq + "RF03"}) {
    EXPECT_EQ(FindReply(kReplyF03, request).kind, ReplyKind::kNone);
  }
}

TEST(ReplyFind, SignAndLongerFields) {
  ReplyCheck r = FindReply(Frame("01", kAck, "RF03-0BB8"), kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_TRUE(r.negative);
  EXPECT_EQ(DecodeAnalog(r.data, r.negative), -3000.0);
  EXPECT_FALSE(FindReply(Frame("01", kNak, "RF03-0002"), kReadF03).negative);

  // Station 100 and function code 100 lengthen the frame.
  const std::string request = Frame("100", kEnq, "RF100 0000");
  r = FindReply(Frame("100", kAck, "RF100 0BB8"), request);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.length, 18u);
  EXPECT_EQ(r.data, "0BB8");
  EXPECT_EQ(FindReply(Frame("10", kAck, "RF100 0BB8"), request).kind, ReplyKind::kNone);
}

TEST(ReplyFind, NoiseFloods) {
  std::string flood;
  for (size_t i = 0; flood.size() < 4096; ++i) flood += static_cast<char>(i * 7 % 256);
  EXPECT_EQ(FindReply(flood, kReadF03).kind, ReplyKind::kNone);
  // Thousands of frame heads that break off, one byte short of the data.
  std::string heads;
  while (heads.size() < 3000) heads += kSoh + "01" + kAck + "RF03 0B";
  ReplyCheck r = FindReply(heads + kReplyF03, kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.start, heads.size());
  r = FindReply(flood + kReplyF03, kReadF03);
  EXPECT_EQ(r.kind, ReplyKind::kAck);
  EXPECT_EQ(r.start, flood.size());
}

TEST(ReplyFind, ASearchResumedOnTheGrownTextFindsWhatAWholeSearchFinds) {
  std::string endless = Frame("01", kAck, "RF03 0BB8").substr(0, 10);
  endless += std::string(300, '0');
  const std::string texts[] = {
      kReadF03 + kReplyF03,                                           // echo, then the reply
      "\x03zz\x01\x01" + Frame("02", kAck, "RF03 0BB8") + kReplyF03,  // noise, a stray frame
      kSoh + "01" + kAck + "RF03 0B" + kSoh + kReplyF03,              // a head that breaks off
      Frame("01", kNak, "RF03 004C") + kReplyF03,                     // a refusal comes first
      Frame("01", kAck, "RF03-0032"),                                 // negative
      endless,                                                        // never reaches ETX
  };
  for (const std::string& text : texts) {
    const ReplyCheck whole = FindReply(text, kReadF03);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
      const ReplyCheck first = FindReply(text.substr(0, cut), kReadF03);
      const ReplyCheck resumed = FindReply(text, kReadF03, first.resume);
      ASSERT_EQ(resumed.kind, whole.kind) << text << " cut at " << cut;
      EXPECT_EQ(resumed.start, whole.start);
      EXPECT_EQ(resumed.data, whole.data);
      EXPECT_EQ(resumed.negative, whole.negative);
      EXPECT_EQ(resumed.resume, whole.resume);
    }
  }
}

class ReplyObjectTest : public test::EngineFixture {
 protected:
  ReplyObjectTest() : object(Environment(), true) {
    block = Block({{1, kModelG11S}});
    object.IniParm(&block);
  }
  std::string Ask(TTagItem tag, bool isWrite) {
    TCommandItem command;
    return object.GetAskStr(command, tag, isWrite);
  }

  TDevParmBlock block;
  test::Harness<TDLLObject> object;
};

TEST_F(ReplyObjectTest, MatchesTheRequestsTheDriverBuilds) {
  EXPECT_EQ(FindReply(kReplyF03, Ask(test::MakeTag(kTypeF, 1, 3), false)).kind, ReplyKind::kAck);
  const std::string write =
      Ask(test::MakeTag(kTypeF, 1, 7, kAnalog, 1000, TagValue::Integer(65535)), true);
  ASSERT_EQ(write.size(), 16u);
  EXPECT_EQ(FindReply(Frame("01", kAck, "WF07 FFFF"), write).kind, ReplyKind::kAck);
}

TEST(ReplyDecode, AnalogAndSwitchReadFourHexDigits) {
  EXPECT_EQ(DecodeAnalog("0BB8", false), 3000.0);
  EXPECT_EQ(DecodeAnalog("0bb8", false), 3000.0);
  EXPECT_EQ(DecodeAnalog("FFFF", false), 65535.0);
  EXPECT_EQ(DecodeAnalog("FFFF", true), -65535.0);
  std::optional<double> zero = DecodeAnalog("0000", true);
  ASSERT_TRUE(zero);
  EXPECT_FALSE(std::signbit(*zero));
  // Not a data word: no value, so the tag keeps the one it had.
  for (const char* data : {"00G1", "0BB", "0BB80", " BB8", "+BB8", "", "0x1F"}) {
    EXPECT_FALSE(DecodeAnalog(data, false)) << data;
    EXPECT_FALSE(DecodeSwitch(data)) << data;
  }
  EXPECT_EQ(DecodeSwitch("0000"), false);
  EXPECT_EQ(DecodeSwitch("0001"), true);
  EXPECT_EQ(DecodeSwitch("8000"), true);
  EXPECT_EQ(DecodeString("  4C"), "  4C");
}

TEST(ReplyEncode, SwitchAndStringWords) {
  EXPECT_EQ(EncodeSwitch(true), "0001");
  EXPECT_EQ(EncodeSwitch(false), "0000");
  EXPECT_EQ(EncodeString("a"), "000A");
  EXPECT_EQ(EncodeString("0bb8"), "0BB8");
  EXPECT_EQ(EncodeString("FFFF"), "FFFF");
  for (const char* text : {"", "12345", "0x1", "-1", " 1", "1 ", "G", "\xb1\xe4"}) {
    EXPECT_FALSE(EncodeString(text)) << text;
  }
}

}  // namespace
}  // namespace vdinv::protocol
