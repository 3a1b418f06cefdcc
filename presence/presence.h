#pragma once
#include "platform/text.h"

namespace presence {

// The presence service's host (host[:port]), fixed when the program is built.
platform::TextView Host();

// The screen name as one value of a URL query: UTF-8, every byte outside the
// unreserved set percent-encoded. Unpaired surrogates become U+FFFD.
platform::Text EncodeQueryValue(platform::TextView value);

// "http://" + host + "/online?u=" + the encoded screen name.
platform::Text PresenceUrl(platform::TextView host, platform::TextView screen_name);

}  // namespace presence
