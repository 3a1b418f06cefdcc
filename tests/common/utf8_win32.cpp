// UTF-8 by WideCharToMultiByte, which puts U+FFFD for an unpaired surrogate.
#include <windows.h>

#include "tests/common/text.h"

namespace testtext {

std::string Utf8(std::u16string_view text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace testtext
