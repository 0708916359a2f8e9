// GBK (code page 936) conversions through iconv, texts for the host, the environment.
#include "platform/text.h"

#include <errno.h>
#include <iconv.h>

#include <cstdlib>
#include <cstring>

#include "platform/utf8_sequence.h"

namespace vdinv::platform {
namespace {

using internal::Utf8SequenceLength;

constexpr const char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// Replacement for the bytes iconv refused at the start of the rest of the input, and how many
// input bytes it stands for.
using RefusalHandler = void (*)(std::string_view rest, std::string& out, size_t& skip);

// Converts with iconv; on a refusal the handler decides the replacement and how far to skip,
// so the conversion always makes progress. Without the converter (gconv modules missing) ASCII
// is kept and every other byte goes through the handler.
std::string Convert(const char* to, const char* from, std::string_view in,
                    RefusalHandler onRefused) {
  std::string out;
  if (in.empty()) return out;
  try {
    out.reserve(in.size() * 3 / 2 + 8);
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
      size_t pos = 0;
      while (pos < in.size()) {
        if (static_cast<unsigned char>(in[pos]) < 0x80) {
          out += in[pos++];
          continue;
        }
        size_t skip = 1;
        onRefused(in.substr(pos), out, skip);
        pos += skip;
      }
      return out;
    }
    struct Closer {
      iconv_t cd;
      ~Closer() { iconv_close(cd); }
    } const closer{cd};
    char buffer[1024];
    size_t pos = 0;
    while (pos < in.size()) {
      char* inPtr = const_cast<char*>(in.data() + pos);
      size_t inLeft = in.size() - pos;
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = errno;
      out.append(buffer, sizeof buffer - outLeft);
      pos = static_cast<size_t>(inPtr - in.data());
      if (result != static_cast<size_t>(-1)) continue;  // all input consumed
      if (error == E2BIG) continue;                     // buffer full: go on
      // EILSEQ (invalid or unmappable) or EINVAL (incomplete at the end): replace and skip.
      size_t skip = 1;
      onRefused(in.substr(pos), out, skip);
      if (error == EINVAL) skip = in.size() - pos;
      pos += skip < 1 ? 1 : skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    // Flush a final shift sequence (none for these encodings, but harmless).
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
      out.append(buffer, sizeof buffer - outLeft);
    }
  } catch (...) {  // std::bad_alloc: hand out what was converted
  }
  return out;
}

// UTF-8 → GBK: an unmappable character (a valid sequence) becomes one '?', an invalid byte
// one '?' too.
void RefusedUtf8(std::string_view rest, std::string& out, size_t& skip) {
  out += '?';
  const size_t length = Utf8SequenceLength(rest);
  skip = length == 0 ? 1 : length;
}

// GBK → UTF-8: an invalid byte becomes U+FFFD; only that byte is skipped, so an ASCII byte
// after an invalid lead byte is kept.
void RefusedGbk(std::string_view /*rest*/, std::string& out, size_t& skip) {
  out += kReplacementUtf8;
  skip = 1;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert("GBK", "UTF-8", utf8, RefusedUtf8);
}

std::string GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "GBK", gbk, RefusedGbk);
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  // Through UTF-8: unpaired surrogates become '?' here, unmappable characters in Utf8ToGbk.
  std::string utf8;
  try {
    utf8.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size(); ++i) {
      const char16_t unit = utf16[i];
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
          utf16[i + 1] <= 0xDFFF) {
        AppendUtf8(utf8, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                             (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
        ++i;
      } else if (unit >= 0xD800 && unit <= 0xDFFF) {
        utf8 += '?';
      } else {
        AppendUtf8(utf8, unit);
      }
    }
  } catch (...) {
    return {};
  }
  return Utf8ToGbk(utf8);
}

char* AllocHostText(std::string_view text) {
  if (text.empty()) return nullptr;
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeHostText(char* text) {
  std::free(text);
}

std::string GetEnvironment(const char* name) {
  if (name == nullptr) return {};
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool UnsetEnvironment(const std::string& name) {
  return ::unsetenv(name.c_str()) == 0;
}

}  // namespace vdinv::platform
