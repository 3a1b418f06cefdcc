#include "tests/common/text.h"

#include <charconv>

namespace testtext {

std::optional<std::string> PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned byte = static_cast<unsigned char>(text[i]);
    if (text[i] == '%') {
      const char* hex = text.data() + i + 1;
      if (i + 2 >= text.size() || std::from_chars(hex, hex + 2, byte, 16).ptr != hex + 2) return std::nullopt;
      i += 2;
    }
    out += static_cast<char>(byte);
  }
  return out;
}

}  // namespace testtext
