// UTF-8 by glibc's iconv.
#include <iconv.h>

#include <cstring>

#include "tests/common/text.h"

namespace testtext {

std::string Utf8(std::u16string_view text) {
  const iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
  std::string out(text.size() * 3, '\0');
  auto* src = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  char* dst = out.data();
  std::size_t src_left = text.size() * 2, dst_left = out.size();
  // iconv stops at an unpaired surrogate, which becomes U+FFFD.
  while (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) && src_left >= 2) {
    std::memcpy(dst, "\xEF\xBF\xBD", 3);
    dst += 3, dst_left -= 3, src += 2, src_left -= 2;
  }
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

}  // namespace testtext
