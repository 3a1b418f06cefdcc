#pragma once
// Readable failure output for UTF-16 texts: printable ASCII as it is, every
// other character as <U+XXXX>.
#include <cstdio>
#include <string>
#include <string_view>

namespace testtext {

template <typename Char>
std::string Show(std::basic_string_view<Char> text) {
  std::string out;
  for (Char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[12];
      std::snprintf(buf, sizeof buf, "<U+%04X>", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

inline std::string Show(const std::u16string& text) { return Show(std::u16string_view(text)); }
inline std::string Show(const std::wstring& text) { return Show(std::wstring_view(text)); }

}  // namespace testtext
