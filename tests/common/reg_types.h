#pragma once
// Registry value types, by their Windows numbers, for the tests that plant
// values of every kind; the program itself only ever asks for REG_SZ.
#include <cstdint>

namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace regtype
