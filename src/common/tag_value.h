// The value a tag holds: empty, integer, double, Boolean or text (GBK bytes).
//
// Values are compared as variants by one rule used everywhere: numbers compare by value
// whatever their kind (the integer 100 equals the double 100.0), a Boolean equals a Boolean of
// the same truth and compares with a number as 1 or 0, texts compare byte by byte, empty
// equals empty, and values of different families (text against number, empty against
// anything else) differ.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vdinv {

class TagValue {
 public:
  TagValue() = default;
  static TagValue Integer(int64_t v) { return TagValue(Storage(v)); }
  static TagValue Double(double v) { return TagValue(Storage(v)); }
  static TagValue Boolean(bool v) { return TagValue(Storage(v)); }
  static TagValue String(std::string v) { return TagValue(Storage(std::move(v))); }

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsInteger() const { return std::holds_alternative<int64_t>(v_); }
  bool IsDouble() const { return std::holds_alternative<double>(v_); }
  bool IsBoolean() const { return std::holds_alternative<bool>(v_); }
  bool IsString() const { return std::holds_alternative<std::string>(v_); }
  bool IsNumber() const { return IsInteger() || IsDouble(); }

  // The value as a number: integers and doubles as they are, Booleans 1 or 0, a text that
  // reads as a number its number, anything else 0.
  double ToDouble() const;
  // True for a non-zero number, a true Boolean, the texts "1" and "True"; false otherwise.
  bool ToBoolean() const;
  // Integers and doubles in decimal (up to 15 significant digits), "True"/"False", the text.
  std::string ToText() const;

  int64_t AsInteger() const { return std::get<int64_t>(v_); }
  double AsDouble() const { return std::get<double>(v_); }
  bool AsBoolean() const { return std::get<bool>(v_); }
  const std::string& AsString() const { return std::get<std::string>(v_); }

  friend bool operator==(const TagValue& a, const TagValue& b);

 private:
  using Storage = std::variant<std::monostate, int64_t, double, bool, std::string>;
  explicit TagValue(Storage v) : v_(std::move(v)) {}
  Storage v_;
};

// Decimal text of a double with up to 15 significant digits, without trailing zeros
// ("12.5", "100", "-0.001").
std::string FormatNumber15(double v);

}  // namespace vdinv
