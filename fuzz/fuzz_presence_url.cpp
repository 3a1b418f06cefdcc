// The presence URL over any name: one value of "u", only unreserved characters
// and %XX escapes, decoding to the name's UTF-8 as the system makes it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "presence/presence.h"
#include "tests/common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Text name;
  for (std::size_t i = 0; i + 1 < size; i += 2) name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const platform::Text url = presence::PresenceUrl(u"h:1", name);
  const platform::Text prefix = u"http://h:1/online?u=";
  if (url.compare(0, prefix.size(), prefix) != 0) std::abort();
  std::string value;
  for (std::size_t i = prefix.size(); i < url.size(); ++i) {
    const char16_t c = url[i];
    const bool unreserved = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
                            c == u'-' || c == u'.' || c == u'_' || c == u'~';
    // '&', '#', '=', '+', a space or anything else raw would split or end the value.
    if (!unreserved && c != u'%') std::abort();
    value += static_cast<char>(c);
  }
  const auto decoded = testtext::PercentDecode(value);
  if (!decoded || *decoded != testtext::Utf8(name)) std::abort();
  return 0;
}
