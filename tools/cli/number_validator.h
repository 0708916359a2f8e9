// A CLI11 transform made from one of the tools' own number parsers (give it to Option::transform:
// Option::check would drop the rewritten text).
#pragma once

#include <CLI/CLI.hpp>
#include <stdexcept>
#include <string>

namespace vdinv::cli {

// The parser's refusal (a std::runtime_error) becomes the option's error, and the number goes
// on in plain decimal: CLI11's own conversion alone would read a leading 0 as octal and wrap a
// negative number into an unsigned option.
template <typename Parse>
CLI::Validator NumberValidator(Parse parse) {
  return CLI::Validator(
      [parse](std::string& text) {
        try {
          text = std::to_string(parse(text));
          return std::string();
        } catch (const std::runtime_error& e) {
          return std::string(e.what());
        }
      },
      "");
}

}  // namespace vdinv::cli
