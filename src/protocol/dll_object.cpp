#include "protocol/dll_object.h"

namespace vdinv::protocol {
namespace {
constexpr const char* kClass = "TDLLObject";
}  // namespace

TDLLObject::TDLLObject(const engine::DriverEnvironment& env, bool firstInstance)
    : TCustomDLLObject(env, firstInstance) {}

TDLLObject::~TDLLObject() {
  Destroying();
}

int32_t TDLLObject::GetInterval() {
  return Guarded(this, kClass, "GetInterval", int32_t{-1}, [&] {
    TCustomDLLObject::GetInterval();
    return int32_t{10};
  });
}

}  // namespace vdinv::protocol
