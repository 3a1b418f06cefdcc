#include "app/tray.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace app {
namespace {

std::optional<std::int32_t> RoundToInt32(float value) {
  if (!std::isfinite(value)) return std::nullopt;
  // Nearest, a tie going to the even neighbour, worked out by hand: the
  // rounding mode of the thread is shared with whatever else runs on it (a
  // hosted control may change it), so it is neither trusted nor touched.
  const double exact = value;
  double rounded = std::floor(exact);
  const double fraction = exact - rounded;  // exact: a float has 24 significant bits
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

std::optional<std::int32_t> TrayMessageFromX(float x_twips, float twips_per_pixel) {
  const auto x = RoundToInt32(x_twips);
  const auto factor = RoundToInt32(twips_per_pixel);
  if (!x || !factor || *factor == 0) return std::nullopt;
  if (*x == std::numeric_limits<std::int32_t>::min() && *factor == -1) return std::nullopt;
  return *x / *factor;
}

float TwipsPerPixelForDpi(int dpi) {
  constexpr int kTwipsPerInch = 1440;
  if (dpi <= 0) return 15.0f;
  return static_cast<float>(std::max(1, kTwipsPerInch / dpi));
}

}  // namespace app
