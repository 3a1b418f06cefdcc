#pragma once
// 16-bit signed counters that raise an overflow error instead of wrapping.
#include <cstdint>
#include <limits>

#include "platform/error.h"

namespace app {

inline std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
  const int sum = int{a} + int{b};
  if (sum > std::numeric_limits<std::int16_t>::max() || sum < std::numeric_limits<std::int16_t>::min()) {
    throw platform::Error("Overflow");
  }
  return static_cast<std::int16_t>(sum);
}

template <typename Int>
std::int16_t ToInt16(Int value) {
  if (value > static_cast<Int>(std::numeric_limits<std::int16_t>::max())) throw platform::Error("Overflow");
  if constexpr (std::numeric_limits<Int>::is_signed) {
    if (value < static_cast<Int>(std::numeric_limits<std::int16_t>::min())) throw platform::Error("Overflow");
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace app
