#include "platform/qt/print_lines.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <fstream>
#include <iterator>
#include <regex>

#include "qt_fixture.h"
#include "support/temp_dir.h"

namespace vdinv::platform::qt {
namespace {

struct PrintedPdf {
  int pages = 0;      // what PaintLines answered
  std::string bytes;  // the file
};

PrintedPdf PrintToPdf(const std::string& path, int lineCount) {
  std::vector<std::string> lines;
  for (int i = 0; i < lineCount; ++i)
    lines.push_back("2026-12-07 20:00:00 第" + std::to_string(i) + "行");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  PrintedPdf printed;
  printed.pages = PaintLines(printer, lines);
  std::ifstream in(path, std::ios::binary);
  printed.bytes.assign(std::istreambuf_iterator<char>(in), {});
  return printed;
}

int PdfPageCount(const std::string& bytes) {
  static const std::regex page("/Type\\s*/Page(?!s)");
  return static_cast<int>(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page),
                                        std::sregex_iterator()));
}

TEST_F(QtFixture, PaintLinesFillsAPageBeforeStartingTheNext) {
  test::TempDir dir;
  const PrintedPdf few = PrintToPdf(dir.File("few.pdf"), 3);
  EXPECT_EQ(few.bytes.rfind("%PDF", 0), 0u);
  EXPECT_EQ(few.pages, 1);
  EXPECT_EQ(PdfPageCount(few.bytes), 1);

  const PrintedPdf many = PrintToPdf(dir.File("many.pdf"), 400);
  EXPECT_EQ(many.bytes.rfind("%PDF", 0), 0u);
  EXPECT_GT(many.pages, 2);
  EXPECT_EQ(PdfPageCount(many.bytes), many.pages);
}

}  // namespace
}  // namespace vdinv::platform::qt
