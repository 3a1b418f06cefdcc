#pragma once
// The program's texts as the wide Windows calls take them, and bytes in a
// code page as those texts.
#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform::win32 {

// UTF-16 either way: the portable text and wchar_t are the same units.
std::wstring ToWide(TextView text);
Text FromWide(std::wstring_view text);

// Bytes in the given code page as UTF-16; empty when they are not valid in it
// under the given MultiByteToWideChar flags.
std::wstring Widen(std::string_view bytes, unsigned code_page, unsigned long flags = 0);

// An error's text as a message box shows it: our own texts are UTF-8, what
// the runtime reports may be in the ANSI page. Either way the text arrives
// whole, not widened byte by byte.
std::wstring WidenMessage(std::string_view bytes);

}  // namespace platform::win32
