#include "platform/qt/print_lines.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace vdinv::platform::qt {

int PaintLines(QPrinter& printer, const std::vector<std::string>& lines) {
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  painter.setFont(font);
  const QFontMetrics metrics(painter.font(), painter.device());
  const int lineHeight = std::max(metrics.lineSpacing(), 1);
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const int pageHeight = std::max(page.height(), lineHeight);
  int pages = 1;
  int top = 0;
  for (const std::string& line : lines) {
    if (top + lineHeight > pageHeight) {
      if (!printer.newPage()) break;
      ++pages;
      top = 0;
    }
    painter.drawText(QRect(0, top, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(line));
    top += lineHeight;
  }
  return painter.end() ? pages : 0;
}

}  // namespace vdinv::platform::qt
