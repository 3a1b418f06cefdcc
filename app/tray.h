#pragma once
// Decoding the notification icon's callback, which arrives as a mouse move.
#include <cstdint>
#include <optional>

namespace app {

inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::uint32_t kTrayFlags = 7;              // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr std::uint32_t kTrayCallbackMessage = 512;  // WM_MOUSEMOVE
inline constexpr std::int32_t kLeftDoubleClick = 515;       // WM_LBUTTONDBLCLK

// X (twips) rounded to nearest-even, divided by the factor rounded the same
// way, the quotient truncated: the mouse message number the shell reported.
// Nothing for input that has no such number (NaN, infinities, values beyond
// 32 bits, a zero factor).
std::optional<std::int32_t> TrayMessageFromX(float x_twips, float twips_per_pixel);

// The screen's twips per pixel as the window layer reports it: a whole number,
// 15 at 96 DPI and 12 at 120. A fractional factor (8.57 at 168 DPI) would not
// survive the rounding of both numbers above, and the double-click would come
// back as another message.
float TwipsPerPixelForDpi(int dpi);

}  // namespace app
