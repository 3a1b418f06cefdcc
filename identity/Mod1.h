#pragma once
// Who and where the program runs, for the welcome line.
#include <cstdint>
#include <functional>

#include "platform/os.h"

namespace Mod1 {

inline constexpr std::size_t kIdentityBufferChars = 255;

platform::Text GetLoggedOnUser(platform::Identity& identity, const platform::Ansi& ansi);
platform::Text GetMachineName(platform::Identity& identity, const platform::Ansi& ansi);

// The fixed 255-character buffer procedure both lookups share: `call` fills
// an ANSI buffer of that many bytes and is told its size.
platform::Text LookupWithBuffer(const platform::Ansi& ansi, const std::function<void(char*, std::uint32_t*)>& call);

}  // namespace Mod1
