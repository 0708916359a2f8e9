// Runs a call that must not block, without letting a regression hang the test.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace vdinv::test {

// Runs call on a thread of its own; nothing when it has not returned within a generous time. A
// call that blocks (in the open of a named pipe, say) is left behind on its detached thread, so
// the test fails instead of hanging; one that returns has also ended its thread. The call must
// own everything it uses.
template <typename T>
std::optional<T> ReturnsPromptly(std::function<T()> call) {
  auto result = std::make_shared<std::promise<T>>();
  std::future<T> done = result->get_future();
  std::thread worker([call = std::move(call), result] { result->set_value(call()); });
  if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    worker.detach();
    return std::nullopt;
  }
  worker.join();  // the thread's own end (its thread-local objects) belongs to the call
  return done.get();
}

}  // namespace vdinv::test
