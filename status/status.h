#pragma once
// Registry strings and the messenger status publisher. Nothing here reports a
// failure: a read that finds nothing usable gives its default, a write that
// cannot be made is dropped.
#include <cstdint>

#include "platform/os.h"

namespace status {

inline constexpr char16_t kPagerKey[] = u"Software\\Yahoo\\Pager";
inline constexpr char16_t kUserIdValue[] = u"Yahoo! user id";
inline constexpr char16_t kProfilesPrefix[] = u"Software\\Yahoo\\Pager\\profiles\\";
inline constexpr char16_t kCustomMsgsSuffix[] = u"\\Custom Msgs";
inline constexpr char16_t kCustomMsgValue[] = u"1";
inline constexpr char kMessengerClass[] = "YahooBuddyMain";
inline constexpr std::uintptr_t kApplyCustomMsgCommand = 388;
inline constexpr std::intptr_t kApplyCustomMsgLParam = 1;
// A messenger that stops responding must not freeze us: each send gives up
// after a few seconds and the rotation goes on. Once the system deems the
// window hung (it has taken no message for about five seconds), later sends
// return at once.
inline constexpr std::uint32_t kSendTimeoutMs = 3000;

platform::Text RegReadString(platform::Registry& reg, const platform::Ansi& ansi, std::uint32_t root,
                             platform::TextView sub_key, platform::TextView value_name,
                             platform::TextView default_text = {});

void RegWriteString(platform::Registry& reg, const platform::Ansi& ansi, std::uint32_t root, platform::TextView sub_key,
                    platform::TextView value_name, platform::TextView text);

platform::Text ProfileKeyPath(platform::TextView user_id);

void SetMessengerStatus(platform::Services& os, platform::TextView text);

}  // namespace status
