// The tools' own number parsers on CLI11: as an option's transform, and with the option's name
// in their refusals.
#pragma once

#include <CLI/CLI.hpp>
#include <stdexcept>
#include <string>

namespace vdinv::cli {

// A transform for Option::transform (Option::check would drop the rewritten text). The parser's
// refusal (a std::runtime_error) becomes the option's error, and the number goes
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

// Runs parse; a refusal it throws comes back with the option's name in front.
template <typename Error, typename Parse>
auto Named(const std::string& option, Parse parse) {
  try {
    return parse();
  } catch (const Error& e) {
    throw Error(option + ": " + e.what());
  }
}

}  // namespace vdinv::cli
