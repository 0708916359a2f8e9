// What both line benchmarks (the module on Linux, the DLL under Wine) measure against: the
// simulator's turnaround, the frame length of a read, and the exchanges per second a line allows
// when one exchange takes a whole number of poll periods.
#pragma once

#include <cmath>
#include <cstdint>

namespace vdinv::bench {

constexpr uint32_t kTurnaroundMs = 5;
constexpr int kFrameBytes = 16;

// Exchanges per second when one exchange of `bytes` characters (ten bits each) plus the
// turnaround takes a whole number of poll periods.
inline double PollBound(uint32_t baud, int bytes, double pollMs) {
  const double exchangeMs = bytes * 10.0 * 1000.0 / baud + kTurnaroundMs;
  return 1000.0 / (std::ceil(exchangeMs / pollMs) * pollMs);
}

// Exchanges per second of the wire itself, one exchange of `bytes` characters plus the
// turnaround after another without a gap: what a line thread is measured against.
inline double WireBound(uint32_t baud, int bytes) {
  return 1000.0 / (bytes * 10.0 * 1000.0 / baud + kTurnaroundMs);
}

}  // namespace vdinv::bench
