// RegReadString over a registry value of any type and any bytes: never a
// crash, and the result is always the default or the text up to the first NUL.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/sim_os.h"
#include "status/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  platform::sim::SimRegistry reg;
  platform::sim::SimAnsi ansi;
  ansi.double_byte = (data[0] & 0x80) != 0;
  const std::uint32_t type = data[0] & 0x0F;
  // Bit 0: the key holds another value instead; bit 1: there is no key at all.
  const bool missing = (data[1] & 3) != 0;
  const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  if ((data[1] & 2) == 0) reg.Put("K", missing ? "w" : "v", type, bytes);
  const platform::Text got = status::RegReadString(reg, ansi, platform::kHkeyCurrentUser, u"K", u"v", u"dflt");
  platform::Text expected = u"dflt";
  if (!missing && type == platform::kRegSz) {
    expected = ansi.FromAnsi(bytes);
    const auto nul = expected.find(u'\0');
    if (nul != platform::Text::npos) expected.resize(nul);
  }
  if (got != expected) std::abort();
  if (reg.open_handles() != 0) std::abort();  // every opened key is closed
  return 0;
}
