// UTF-8 by glibc's iconv.
#include <iconv.h>

#include "tests/common/text.h"

namespace testtext {

std::string Utf8(std::u16string_view text) {
  std::u16string clean(text);
  for (std::size_t i = 0; i < clean.size(); ++i) {
    const bool high = clean[i] >= 0xD800 && clean[i] <= 0xDBFF;
    const bool low = clean[i] >= 0xDC00 && clean[i] <= 0xDFFF;
    if (high && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      clean[i] = 0xFFFD;
    }
  }
  const iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
  std::string out(clean.size() * 3, '\0');
  char* src = reinterpret_cast<char*>(clean.data());
  std::size_t src_left = clean.size() * 2;
  char* dst = out.data();
  std::size_t dst_left = out.size();
  iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

}  // namespace testtext
