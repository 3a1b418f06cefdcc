#pragma once
// The Ascii writer's substitution rules, as constant data.
#include <array>
#include <string_view>

namespace writer {

struct AsciiRule {
  char16_t key;                     // one character, U+0020..U+007E
  std::u16string_view replacement;  // one to seven characters, U+0020..U+00FF
};

inline constexpr std::size_t kRuleCount = 92;

const std::array<AsciiRule, kRuleCount>& AsciiRules();

}  // namespace writer
