#pragma once
// Who and where the program runs, for the welcome line.
#include <cstddef>

#include "platform/os.h"

namespace Mod1 {

inline constexpr std::size_t kIdentityBufferChars = 255;

platform::Text GetLoggedOnUser(platform::Identity& identity, const platform::Ansi& ansi);
platform::Text GetMachineName(platform::Identity& identity, const platform::Ansi& ansi);

}  // namespace Mod1
