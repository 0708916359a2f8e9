// An environment variable of the test's own, restored when the object ends. Header only: the
// module tests share the support folder.
#pragma once

#include <string>
#include <utility>

#include "platform/text.h"

namespace vdinv::test {

// Sets name to value (nullptr: removes it) for the life of the object. A variable that was
// empty before comes back unset, which the driver reads the same way.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const char* value)
      : name_(std::move(name)), previous_(platform::GetEnvironment(name_.c_str())) {
    Apply(value);
  }
  ~ScopedEnvironment() { Apply(previous_.empty() ? nullptr : previous_.c_str()); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Apply(const char* value) {
    if (value != nullptr) {
      platform::SetEnvironment(name_, value);
    } else {
      platform::UnsetEnvironment(name_);
    }
  }

  std::string name_;
  std::string previous_;
};

}  // namespace vdinv::test
