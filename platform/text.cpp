#include "platform/text.h"

namespace platform {

Text Ascii(std::string_view s) {
  Text out;
  out.reserve(s.size());
  for (char c : s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace platform
