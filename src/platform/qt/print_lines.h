// Printing lines of text on a Qt printer, apart from the print dialog so that it can be tried on
// a PDF file.
#pragma once

#include <string>
#include <vector>

class QPrinter;

namespace vdinv::platform::qt {

// Prints the lines in a fixed-pitch font, one printed line each (a longer one is cut at the
// margin), starting a new page when one is full. The pages printed; 0 when the printer could
// not be started.
int PaintLines(QPrinter& printer, const std::vector<std::string>& lines);

}  // namespace vdinv::platform::qt
