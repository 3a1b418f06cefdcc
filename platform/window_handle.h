#pragma once
// Handles of windows and icons as the program passes them around: 32-bit
// significant even on Win64, so they fit the 32-bit fields of the records the
// shell reads.
#include <cstdint>

namespace platform {

using Hwnd = std::uint32_t;
using HIcon = std::uint32_t;

}  // namespace platform
