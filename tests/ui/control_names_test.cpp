// Controls are named by the constants of the list (names::NextBtn) and never by a literal: a
// misspelt literal would compile and name no control. The check reads every source file and
// fails at each literal that is a control's name, and, in the windows' own code, at each literal
// that looks like one (an identifier ending like the names of the list) without being listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "ui/control_ids.h"

namespace vdinv::ui {
namespace {

namespace fs = std::filesystem;

struct Literal {
  int line = 0;
  std::string text;
};

// The string literals of C++ source, outside comments; escapes are kept as written.
std::vector<Literal> Literals(const std::string& source) {
  std::vector<Literal> found;
  int line = 1;
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    const char next = i + 1 < source.size() ? source[i + 1] : '\0';
    if (c == '\n') {
      ++line;
    } else if (c == '/' && next == '/') {
      while (i < source.size() && source[i] != '\n') ++i;
      --i;
    } else if (c == '/' && next == '*') {
      for (i += 2; i + 1 < source.size() && !(source[i] == '*' && source[i + 1] == '/'); ++i) {
        if (source[i] == '\n') ++line;
      }
      ++i;
    } else if (c == '"' && i > 0 && source[i - 1] == 'R') {
      // A raw literal, R"delimiter(...)delimiter", may hold quotes and lines.
      const size_t open = source.find('(', i);
      if (open == std::string::npos) break;
      const std::string close = ")" + source.substr(i + 1, open - i - 1) + "\"";
      const size_t end = source.find(close, open);
      if (end == std::string::npos) break;
      const std::string text = source.substr(open + 1, end - open - 1);
      found.push_back({line, text});
      line += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
      i = end + close.size() - 1;
    } else if (c == '"' || c == '\'') {
      Literal literal{line, {}};
      for (++i; i < source.size() && source[i] != c && source[i] != '\n'; ++i) {
        if (source[i] == '\\' && i + 1 < source.size()) literal.text += source[i++];
        literal.text += source[i];
      }
      if (c == '"') found.push_back(literal);
    }
  }
  return found;
}

// The endings of the listed names (Btn, Ed, ED, Label, ...), without a trailing number.
std::set<std::string> NameEndings() {
  const std::regex ending("([A-Z][a-z]+|[A-Z]+)[0-9]*$");
  std::set<std::string> endings;
  for (std::string_view name : kControlNames) {
    std::smatch match;
    const std::string text(name);
    if (std::regex_search(text, match, ending)) endings.insert(match[1]);
  }
  return endings;
}

std::vector<std::string> Findings(const fs::path& root) {
  const std::set<std::string> listed(std::begin(kControlNames), std::end(kControlNames));
  const std::set<std::string> endings = NameEndings();
  const std::regex lookalike("(?:[A-Za-z][A-Za-z0-9]*?)?([A-Z][a-z]+|[A-Z]+)[0-9]*");
  std::vector<std::string> findings;
  for (const char* dir : {"src", "tests", "tools", "bench", "fuzz"}) {
    if (!fs::exists(root / dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
      const fs::path& path = entry.path();
      const std::string ext = path.extension().string();
      if (ext != ".h" && ext != ".cpp" && ext != ".c") continue;
      const std::string relative = path.lexically_relative(root).generic_string();
      if (relative == "src/ui/control_ids.h") continue;
      const bool window = relative.rfind("src/ui/", 0) == 0 || relative.rfind("tests/ui/", 0) == 0;
      std::ifstream in(path, std::ios::binary);
      std::stringstream source;
      source << in.rdbuf();
      for (const Literal& literal : Literals(source.str())) {
        const std::string where =
            relative + ":" + std::to_string(literal.line) + ": \"" + literal.text + "\"";
        std::smatch match;
        if (listed.count(literal.text) != 0) {
          findings.push_back(where + " names a control; write names::" + literal.text);
        } else if (window && std::regex_match(literal.text, match, lookalike) &&
                   endings.count(match[1]) != 0) {
          findings.push_back(where + " looks like a control name that is not listed");
        }
      }
    }
  }
  return findings;
}

TEST(ControlNamesTest, SourceNamesControlsByTheirConstantsOnly) {
#ifdef VDINV_SOURCE_DIR
  const std::vector<std::string> findings = Findings(VDINV_SOURCE_DIR);
  for (const std::string& finding : findings) ADD_FAILURE() << finding;
#else
  GTEST_SKIP() << "this build does not know its source tree";
#endif
}

// A listed name is found anywhere; a look-alike only in the windows' code, and only with an
// ending that listed names have.
TEST(ControlNamesTest, ListedNamesAndLookAlikesAreFound) {
  test::TempDir dir;
  const fs::path root(dir.Path());
  for (const char* sub : {"src/ui", "src/host", "tests/ui"}) fs::create_directories(root / sub);
  const std::pair<const char*, const char*> files[] = {
      {"src/ui/control_ids.h", "f(\"NextBtn\");"},
      {"src/ui/a.cpp", "f(\"TStartFrm\", \"NexBtn\");"},
      {"src/host/b.cpp", "f(\"NexBtn\",\n \"BackBtn\");"},
      {"tests/ui/c.h", "f(\"Label12\", \"Next Btn\", \"ID\");"},
  };
  for (const auto& [name, text] : files) std::ofstream(root / name) << text;
  std::vector<std::string> findings = Findings(root);
  std::sort(findings.begin(), findings.end());
  EXPECT_EQ(findings,
            (std::vector<std::string>{
                "src/host/b.cpp:2: \"BackBtn\" names a control; write names::BackBtn",
                "src/ui/a.cpp:1: \"NexBtn\" looks like a control name that is not listed",
                "tests/ui/c.h:1: \"Label12\" looks like a control name that is not listed",
            }));
}

TEST(ControlNamesTest, LiteralsAreFoundOutsideComments) {
  const std::vector<Literal> found = Literals(
      "a(\"NextBtn\"); // \"Label1\"\n/* \"Label2\"\n */ b('\"', \"x\\\"y\");\nc(\"//\");"
      " d(R\"-(\"Label3\"\n)-\", \"e\");");
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].text, names::NextBtn);
  EXPECT_EQ(found[0].line, 1);
  EXPECT_EQ(found[1].text, "x\\\"y");
  EXPECT_EQ(found[1].line, 3);
  EXPECT_EQ(found[2].text, "//");
  EXPECT_EQ(found[2].line, 4);
  EXPECT_EQ(found[3].text, "\"Label3\"\n");
  EXPECT_EQ(found[4].text, "e");
  EXPECT_EQ(found[4].line, 5);
}

}  // namespace
}  // namespace vdinv::ui
