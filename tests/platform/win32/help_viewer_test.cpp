// The command line that starts the help viewer on the help file.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/toolkit_common_dialogs.h"

namespace vdinv::platform::internal {
namespace {

// "hh " + the path; a path with blanks (under "Program Files") is quoted so that it stays one
// argument; a name beyond ASCII reaches the viewer as itself, not as "?".
TEST(HelpViewer, CommandLineNamesTheFileAsOneArgument) {
  struct Case {
    std::string path;
    std::wstring commandLine;
  };
  const Case cases[] = {
      {R"(C:\Host\help\VD_Inv.chm)", LR"(hh C:\Host\help\VD_Inv.chm)"},
      {R"(C:\Program Files\Host\help\VD_Inv.chm)",
       LR"(hh "C:\Program Files\Host\help\VD_Inv.chm")"},
      {"D:\\Host\\help\\富士变频器.chm", L"hh D:\\Host\\help\\\u5bcc\u58eb\u53d8\u9891\u5668.chm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HelpViewerCommandLine(c.path), c.commandLine) << c.path;
  }
}

}  // namespace
}  // namespace vdinv::platform::internal
