// The one guard every driver method and export runs its body in: no exception leaves it.
// An exception is reported to the method's exception log (which writes "：Class.Method异常！"
// when the error log is switched on) and the method's failure value is returned.
#pragma once

#include <type_traits>
#include <utility>

namespace vdinv {

class ExceptionLog {
 public:
  // Records that cls.method raised. Must not throw.
  virtual void LogException(const char* cls, const char* method) noexcept = 0;

 protected:
  ~ExceptionLog() = default;
};

template <class Body, class Result = std::invoke_result_t<Body>>
requires(!std::is_void_v<Result>) Result
    Guarded(ExceptionLog* log, const char* cls, const char* method, Result failure, Body&& body)
noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    if (log != nullptr) log->LogException(cls, method);
    return failure;
  }
}

template <class Body>
requires std::is_void_v<std::invoke_result_t<Body>>
void Guarded(ExceptionLog* log, const char* cls, const char* method, Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    if (log != nullptr) log->LogException(cls, method);
  }
}

}  // namespace vdinv
