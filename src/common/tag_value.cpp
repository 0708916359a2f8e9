#include "common/tag_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vdinv {
namespace {

bool IsNumeric(const TagValue& v) {
  return v.IsNumber() || v.IsBoolean();
}

double NumericOf(const TagValue& v) {
  if (v.IsInteger()) return static_cast<double>(v.AsInteger());
  if (v.IsDouble()) return v.AsDouble();
  return v.AsBoolean() ? 1.0 : 0.0;
}

}  // namespace

double TagValue::ToDouble() const {
  if (IsNumeric(*this)) return NumericOf(*this);
  if (IsString()) {
    const std::string& s = AsString();
    double d = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec == std::errc() && ptr == s.data() + s.size()) return d;
  }
  return 0.0;
}

bool TagValue::ToBoolean() const {
  if (IsNumeric(*this)) return NumericOf(*this) != 0.0;
  if (IsString()) return AsString() == "1" || AsString() == "True";
  return false;
}

std::string TagValue::ToText() const {
  if (IsInteger()) return std::to_string(AsInteger());
  if (IsDouble()) return FormatNumber15(AsDouble());
  if (IsBoolean()) return AsBoolean() ? "True" : "False";
  if (IsString()) return AsString();
  return {};
}

bool operator==(const TagValue& a, const TagValue& b) {
  if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
  if (a.IsString() || b.IsString())
    return a.IsString() && b.IsString() && a.AsString() == b.AsString();
  if (a.IsInteger() && b.IsInteger()) return a.AsInteger() == b.AsInteger();
  return NumericOf(a) == NumericOf(b);
}

std::string FormatNumber15(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

}  // namespace vdinv
