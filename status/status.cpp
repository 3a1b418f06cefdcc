#include "status/status.h"

#include <string>

#include "platform/owner.h"

namespace status {
namespace {

// Closes a key through the same registry that opened it.
struct CloseKey {
  platform::Registry* reg = nullptr;
  void operator()(platform::RegKey key) const { reg->RegCloseKey(key); }
};
using OpenKey = platform::Owner<platform::RegKey, CloseKey>;

}  // namespace

platform::Text RegReadString(platform::Registry& reg, const platform::Ansi& ansi, std::uint32_t root,
                             platform::TextView sub_key, platform::TextView value_name,
                             platform::TextView default_text) {
  platform::Text result(default_text);
  platform::RegKey raw = 0;
  if (reg.RegOpenKeyA(root, ansi.ToAnsi(sub_key), &raw) != 0) return result;
  const OpenKey key(raw, CloseKey{&reg});
  const std::string name = ansi.ToAnsi(value_name);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  reg.RegQueryValueExA(key.get(), name, &type, nullptr, &size);
  if (type != platform::kRegSz) return result;

  std::string buffer(size, ' ');
  std::uint32_t scratch_type = 0;
  reg.RegQueryValueExA(key.get(), name, &scratch_type, reinterpret_cast<std::uint8_t*>(buffer.data()), &size);
  // The whole buffer, whatever the second query reported: a value that
  // changed in between reads as spaces where nothing was written.
  platform::Text text = ansi.FromAnsi(buffer);
  const auto nul = text.find(u'\0');
  if (nul != platform::Text::npos) text.resize(nul);
  return text;
}

void RegWriteString(platform::Registry& reg, const platform::Ansi& ansi, std::uint32_t root, platform::TextView sub_key,
                    platform::TextView value_name, platform::TextView text) {
  platform::RegKey raw = 0;
  if (reg.RegCreateKeyA(root, ansi.ToAnsi(sub_key), &raw) != 0) return;
  const OpenKey key(raw, CloseKey{&reg});
  const std::string bytes = ansi.ToAnsi(text);
  // The ANSI byte count, not the character count: under a double-byte code
  // page the two differ and the character count would cut the text. No NUL.
  reg.RegSetValueExA(key.get(), ansi.ToAnsi(value_name), platform::kRegSz,
                     reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
}

platform::Text ProfileKeyPath(platform::TextView user_id) {
  platform::Text path(kProfilesPrefix);
  path += user_id;
  path += kCustomMsgsSuffix;
  return path;
}

void SetMessengerStatus(platform::Services& os, platform::TextView text) {
  const platform::Text user_id =
      RegReadString(os.registry, os.ansi, platform::kHkeyCurrentUser, kPagerKey, kUserIdValue);
  RegWriteString(os.registry, os.ansi, platform::kHkeyCurrentUser, ProfileKeyPath(user_id), kCustomMsgValue, text);
  // A failed search or send is not reported, and the rotation goes on: the
  // calls report failure by their results, which are not looked at.
  const platform::Hwnd messenger = os.messaging.FindWindowA(kMessengerClass);
  if (messenger == 0) return;
  os.messaging.SendMessageTimeoutA(messenger, platform::kWmCommand, kApplyCustomMsgCommand, kApplyCustomMsgLParam,
                                   platform::kSmtoAbortIfHung, kSendTimeoutMs);
}

}  // namespace status
