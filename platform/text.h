#pragma once
// Every text inside the program is UTF-16, counted in UTF-16 code units. It is
// converted to the ANSI code page only where a call crosses into the operating
// system, and that conversion lives behind platform::Ansi.
#include <string>
#include <string_view>

namespace platform {

using Text = std::u16string;
using TextView = std::u16string_view;

// Narrow ASCII literal to Text; only for ASCII constants.
Text Ascii(std::string_view s);

}  // namespace platform
