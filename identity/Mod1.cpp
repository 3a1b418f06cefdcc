#include "identity/Mod1.h"

#include <functional>
#include <string>

namespace Mod1 {
namespace {

// The fixed 255-character buffer procedure both lookups share: `call` fills
// an ANSI buffer of that many bytes and is told its size.
platform::Text LookupWithBuffer(const platform::Ansi& ansi, const std::function<void(char*, std::uint32_t*)>& call) {
  platform::Text buffer(kIdentityBufferChars, u'\0');
  std::uint32_t size = kIdentityBufferChars;
  std::string bytes = ansi.ToAnsi(buffer);
  // 255 NULs are 255 zero bytes on every code page; the size is kept fixed so
  // the call is never told of more room than there is.
  bytes.resize(kIdentityBufferChars, '\0');
  call(bytes.data(), &size);  // neither the result nor the returned size is used
  platform::Text back = ansi.FromAnsi(bytes);
  // Under a double-byte code page the bytes may give fewer characters: the
  // buffer keeps its length, filled up with spaces.
  back.resize(kIdentityBufferChars, u' ');
  const auto nul = back.find(u'\0');
  return nul == platform::Text::npos ? back : back.substr(0, nul);
}

}  // namespace

platform::Text GetLoggedOnUser(platform::Identity& identity, const platform::Ansi& ansi) {
  return LookupWithBuffer(ansi, [&](char* buf, std::uint32_t* size) { identity.GetUserNameA(buf, size); });
}

platform::Text GetMachineName(platform::Identity& identity, const platform::Ansi& ansi) {
  return LookupWithBuffer(ansi, [&](char* buf, std::uint32_t* size) { identity.GetComputerNameA(buf, size); });
}

}  // namespace Mod1
