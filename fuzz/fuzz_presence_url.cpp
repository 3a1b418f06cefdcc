// The presence URL over any screen name: the query carries exactly one value
// of "u", made only of unreserved characters and %XX escapes, which decodes
// back to the UTF-8 of the name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "presence/presence.h"

namespace {

std::string Utf8(const platform::Text& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int Hex(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Text name;
  for (std::size_t i = 0; i + 1 < size; i += 2) name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const platform::Text url = presence::PresenceUrl(u"h:1", name);
  const platform::Text prefix = u"http://h:1/online?u=";
  if (url.compare(0, prefix.size(), prefix) != 0) std::abort();
  std::string decoded;
  for (std::size_t i = prefix.size(); i < url.size(); ++i) {
    const char16_t c = url[i];
    if (c == u'%') {
      if (i + 2 >= url.size()) std::abort();
      const int hi = Hex(url[i + 1]);
      const int lo = Hex(url[i + 2]);
      if (hi < 0 || lo < 0) std::abort();
      decoded += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
               c == u'.' || c == u'_' || c == u'~') {
      decoded += static_cast<char>(c);
    } else {
      std::abort();  // '&', '#', '=', '+', a space or anything else raw in the value
    }
  }
  if (decoded != Utf8(name)) std::abort();
  return 0;
}
