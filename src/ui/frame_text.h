// Request and reply frames as the test window shows them and as the user types them. A frame's
// control characters (SOH, ENQ, ETX, ACK, NAK, CR, …) have no picture of their own: a text box
// shows them as boxes or not at all, so they are written as their ASCII names in angle brackets:
//
//   bytes  01 30 31 05 52 46 30 33 20 30 30 30 30 03 34 33
//   text   <SOH>01<ENQ>RF03 0000<ETX>43
//
// Typed text is read back the same way: a known name in angle brackets (any letter case)
// becomes its byte; every other character, a "<" that starts no known name included, stands
// for itself.
#pragma once

#include <string>
#include <string_view>

namespace vdinv::ui {

// The frame (GBK bytes) as readable text (UTF-8).
std::string ReadableFrame(std::string_view gbk);
// The bytes (GBK) of a frame typed in readable form (UTF-8).
std::string FrameOfReadable(std::string_view text);

}  // namespace vdinv::ui
