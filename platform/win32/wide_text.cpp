#include "platform/win32/wide_text.h"

#include <windows.h>

namespace platform::win32 {

std::wstring ToWide(TextView text) { return std::wstring(text.begin(), text.end()); }

Text FromWide(std::wstring_view text) { return Text(text.begin(), text.end()); }

std::wstring Widen(std::string_view bytes, unsigned code_page, unsigned long flags) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int chars = ::MultiByteToWideChar(code_page, flags, bytes.data(), length, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(chars), L'\0');
  ::MultiByteToWideChar(code_page, flags, bytes.data(), length, out.data(), chars);
  return out;
}

std::wstring WidenMessage(std::string_view bytes) {
  std::wstring text = Widen(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
  return text.empty() ? Widen(bytes, CP_ACP) : text;
}

}  // namespace platform::win32
