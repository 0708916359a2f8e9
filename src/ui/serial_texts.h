// The texts of a line's serial settings (UTF-8): the choices of the serial parameters page and
// the words the summary page shows for the codes of the block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdinv::ui {

// "COM1".."COM16"; position = ComPort.
std::vector<std::string> PortChoices();
// "110".."256000"; position = BaudIndex.
std::vector<std::string> BaudChoices();
// "7位", "8位"; option = DataBits - 3.
std::vector<std::string> DataBitsChoices();
// "1位", "1位半", "2位"; option = StopBits.
std::vector<std::string> StopBitsChoices();
// "无校验", "奇校验", "偶校验"; option = Parity.
std::vector<std::string> ParityChoices();

// The words of a code; a code outside the table gives the text named after the arrow.
std::string PortText(uint8_t code);      // "串口" + (code + 1)
std::string BaudText(uint8_t code);      // → "9600"
std::string ParityText(uint8_t code);    // → "无校验"
std::string DataBitsText(uint8_t code);  // 0 "4位" .. 4 "8位"; → "8位"
std::string StopBitsText(uint8_t code);  // → "1位"
// The blanks after the baud rate that line up the parity texts: four for codes 0..2, three for
// 3..6, two for 7..11, one for 12..14.
std::string BaudSeparator(uint8_t code);

}  // namespace vdinv::ui
