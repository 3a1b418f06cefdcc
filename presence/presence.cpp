#include "presence/presence.h"

#ifndef STATUSCYCLER_PRESENCE_HOST
#error "STATUSCYCLER_PRESENCE_HOST must be set by the build"
#endif

namespace presence {
namespace {

bool IsUnreserved(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'-' || c == U'.' ||
         c == U'_' || c == U'~';
}

void AppendPercent(platform::Text& out, unsigned byte) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out.push_back(u'%');
  out.push_back(kHex[(byte >> 4) & 0xF]);
  out.push_back(kHex[byte & 0xF]);
}

void AppendUtf8Encoded(platform::Text& out, char32_t c) {
  if (c < 0x80) {
    if (IsUnreserved(c)) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      AppendPercent(out, static_cast<unsigned>(c));
    }
  } else if (c < 0x800) {
    AppendPercent(out, 0xC0 | (c >> 6));
    AppendPercent(out, 0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    AppendPercent(out, 0xE0 | (c >> 12));
    AppendPercent(out, 0x80 | ((c >> 6) & 0x3F));
    AppendPercent(out, 0x80 | (c & 0x3F));
  } else {
    AppendPercent(out, 0xF0 | (c >> 18));
    AppendPercent(out, 0x80 | ((c >> 12) & 0x3F));
    AppendPercent(out, 0x80 | ((c >> 6) & 0x3F));
    AppendPercent(out, 0x80 | (c & 0x3F));
  }
}

}  // namespace

platform::TextView Host() { return u"" STATUSCYCLER_PRESENCE_HOST; }

platform::Text EncodeQueryValue(platform::TextView value) {
  platform::Text out;
  out.reserve(value.size() * 3);
  for (std::size_t i = 0; i < value.size(); ++i) {
    char32_t c = value[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 && value[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (value[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8Encoded(out, c);
  }
  return out;
}

platform::Text PresenceUrl(platform::TextView host, platform::TextView screen_name) {
  platform::Text url = u"http://";
  url += host;
  url += u"/online?u=";
  url += EncodeQueryValue(screen_name);
  return url;
}

}  // namespace presence
