// Internal: an INI file parsed with the rules of the Windows profile API. Shared by the profile
// functions, the registry stand-in and the version-resource sidecar files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdinv::platform::internal {

// Compares two names without regard to ASCII letter case. GBK double-byte characters are
// compared byte for byte (their trail bytes may look like ASCII letters).
bool NamesEqual(std::string_view a, std::string_view b);

// Blanks (space, tab, CR, LF, VT, FF) removed at both ends.
std::string_view TrimBlanks(std::string_view text);

// Calls visit(name, value) for every "name: value" line.
template <typename Visit>
void ForEachColonLine(std::string_view text, Visit visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    visit(TrimBlanks(line.substr(0, colon)), TrimBlanks(line.substr(colon + 1)));
  }
}

struct IniSection {
  std::string name;                                          // trimmed, as written
  std::vector<std::pair<std::string, std::string>> entries;  // trimmed key, trimmed value
};

class IniDocument {
 public:
  // Rules: a UTF-8 byte-order mark at the start is skipped; lines end with LF or CRLF (a lone
  // CR too); blanks around lines, names and values are trimmed; a line starting with ';' is a
  // comment; "[name]" opens a section (the last ']' closes the name; a line starting with '['
  // without ']' is ignored); "key=value" (split at the first '=') is an entry of the open
  // section; lines before the first section and lines without '=' are ignored.
  static IniDocument Parse(std::string_view text);
  // Nothing when the file cannot be read, is not a regular file or holds more than
  // kMaxHostFileBytes.
  static std::optional<IniDocument> Load(const std::string& path);

  // The first section whose name matches (NamesEqual), or null.
  const IniSection* FindSection(std::string_view name) const;
  // The first entry of the section whose key matches, or null.
  static const std::string* FindValue(const IniSection& section, std::string_view key);

  const std::vector<IniSection>& Sections() const { return sections_; }

 private:
  std::vector<IniSection> sections_;
};

// The value as GetPrivateProfileString hands it out: one pair of matching surrounding quotes
// (" or ') removed.
std::string_view StripQuotes(std::string_view value);

}  // namespace vdinv::platform::internal
