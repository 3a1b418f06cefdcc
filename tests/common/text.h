#pragma once
// Texts readable in failure output, and UTF-8 by the system's converter, not the program's encoder.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace testtext {

// Printable ASCII as it is, every other character as <U+XXXX>.
template <typename Text>
std::string Show(const Text& text) {
  std::string out;
  for (const auto c : text) {
    char buf[12];
    std::snprintf(buf, sizeof buf, c >= 0x20 && c < 0x7F ? "%c" : "<U+%04X>", static_cast<unsigned>(c));
    out += buf;
  }
  return out;
}

// UTF-16 to UTF-8 by glibc's iconv; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view text);

// "%41b" -> "Ab"; nothing when an escape is cut short or not hex.
std::optional<std::string> PercentDecode(std::string_view text);

}  // namespace testtext
