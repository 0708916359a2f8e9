#include "ui/frame_text.h"

#include <gtest/gtest.h>

namespace vdinv::ui {
namespace {

// Frames both ways: control characters by their names, everything else as it stands.
TEST(FrameText, ControlCharactersAreShownAndTypedByTheirNames) {
  struct Case {
    std::string bytes;  // GBK
    std::string text;   // UTF-8
  } cases[] = {
      {"\x01"
       "01\x05RF03 0000\x03"
       "43",
       "<SOH>01<ENQ>RF03 0000<ETX>43"},
      {"\x01"
       "01\x06RF03-0BB8\x03"
       "9A\r\n",
       "<SOH>01<ACK>RF03-0BB8<ETX>9A<CR><LF>"},
      {std::string("\x15\x7F\x00", 3), "<NAK><DEL><NUL>"},
      {"\xB1\xE4\x01", "变<SOH>"},  // a GBK character beside a control character
      {"a<b>c<", "a<b>c<"},         // no name: the brackets stand for themselves
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadableFrame(c.bytes), c.text) << c.text;
    EXPECT_EQ(FrameOfReadable(c.text), c.bytes) << c.text;
  }
  EXPECT_EQ(FrameOfReadable("<soh>x<Etx>"), "\x01x\x03");
}

}  // namespace
}  // namespace vdinv::ui
