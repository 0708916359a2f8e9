#include "ui/frame_text.h"

#include <array>
#include <cctype>

#include "platform/text.h"

namespace vdinv::ui {
namespace {

constexpr std::array<std::string_view, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
constexpr std::string_view kDelete = "DEL";
constexpr char kDeleteByte = 0x7F;

bool SameName(std::string_view typed, std::string_view name) {
  if (typed.size() != name.size()) return false;
  for (size_t i = 0; i < typed.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(typed[i])) != name[i]) return false;
  }
  return true;
}

// The byte a name stands for, or -1.
int ByteOfName(std::string_view name) {
  for (size_t i = 0; i < kControlNames.size(); ++i) {
    if (SameName(name, kControlNames[i])) return static_cast<int>(i);
  }
  return SameName(name, kDelete) ? kDeleteByte : -1;
}

}  // namespace

std::string ReadableFrame(std::string_view gbk) {
  // Control characters are single bytes in GBK, never the second byte of a character, so they
  // are found in the GBK text and the pieces between them are converted as they stand.
  std::string text;
  size_t start = 0;
  for (size_t i = 0; i <= gbk.size(); ++i) {
    const bool end = i == gbk.size();
    const auto byte = end ? 0 : static_cast<unsigned char>(gbk[i]);
    if (!end && byte >= 0x20 && byte != kDeleteByte) continue;
    text += platform::GbkToUtf8(gbk.substr(start, i - start));
    if (!end) {
      text += '<';
      text += byte == kDeleteByte ? kDelete : kControlNames[byte];
      text += '>';
    }
    start = i + 1;
  }
  return text;
}

std::string FrameOfReadable(std::string_view text) {
  std::string utf8;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      const size_t close = text.find('>', i + 1);
      if (close != std::string_view::npos) {
        const int byte = ByteOfName(text.substr(i + 1, close - i - 1));
        if (byte >= 0) {
          utf8 += static_cast<char>(byte);
          i = close;
          continue;
        }
      }
    }
    utf8 += text[i];
  }
  return platform::Utf8ToGbk(utf8);
}

}  // namespace vdinv::ui
