// The presence check: the URL built from whatever was typed, and the click
// handler over a simulated browser.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/sim/sim_app.h"
#include "presence/presence.h"
#include "tests/common/text.h"

using app::ControlId;
using platform::Text;

namespace {

using testtext::Show;

// The system's converter as the oracle for "the UTF-8 of the name", so the
// test does not share its idea of UTF-8 with the code under test.
#ifdef _WIN32
class Utf16ToUtf8 {
 public:
  bool ok() const { return true; }

  // The bytes of `text`, or nothing if Windows rejects it.
  std::optional<std::string> Convert(const Text& text) const {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, length, out.data(), bytes, nullptr, nullptr);
    return out;
  }
};
#else
class Utf16ToUtf8 {
 public:
  Utf16ToUtf8() : cd_(iconv_open("UTF-8", "UTF-16LE")) {}
  ~Utf16ToUtf8() {
    if (ok()) iconv_close(cd_);
  }
  Utf16ToUtf8(const Utf16ToUtf8&) = delete;
  Utf16ToUtf8& operator=(const Utf16ToUtf8&) = delete;
  // (iconv_t)-1 is how iconv_open reports failure; there is no other way to tell.
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }  // NOLINT(performance-no-int-to-ptr)

  // The bytes of `text`, or nothing if glibc rejects it.
  std::optional<std::string> Convert(const Text& text) const {
    std::string in;
    for (char16_t c : text) {
      in += static_cast<char>(c & 0xFF);
      in += static_cast<char>(c >> 8);
    }
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dst_left);
    return out;
  }

 private:
  iconv_t cd_;
};
#endif

// What the encoder promises for text that is not valid UTF-16: each
// unpaired surrogate stands for U+FFFD.
Text WithUnpairedSurrogatesReplaced(const Text& text) {
  Text out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += c;
      out += text[++i];
    } else {
      out += (high || low) ? u'\xFFFD' : c;
    }
  }
  return out;
}

// What a web server makes of the query: split into parameters at "&",
// each into key and value at the first "=", the value percent-decoded to
// bytes. Fails on anything a server could read differently: a fragment, a
// raw reserved character or space, a broken escape.
struct Query {
  bool ok = false;
  std::string error;
  std::vector<std::pair<std::string, std::string>> params;
};

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// What may stand unescaped in a query value. Not "+" (many servers read
// it as a space), nor "=" or "&" (they split parameters), nor a space,
// quote, bracket or anything outside ASCII, which are not URL characters.
bool IsRawQueryChar(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return true;
  return c != 0 && Text(u"-._~!$'()*,;:@/?").find(c) != Text::npos;
}

Query ParseQuery(const Text& query) {
  Query result;
  if (query.find(u'#') != Text::npos) {
    result.error = "the URL has a fragment";
    return result;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(query.find(u'&', start), query.size());
    const Text param = query.substr(start, end - start);
    const std::size_t eq = param.find(u'=');
    std::string key;
    std::string value;
    std::string* into = &key;
    for (std::size_t i = 0; i < param.size(); ++i) {
      const char16_t c = param[i];
      if (i == eq) {
        into = &value;
      } else if (c == u'%') {
        if (i + 2 >= param.size() || HexDigit(param[i + 1]) < 0 || HexDigit(param[i + 2]) < 0) {
          result.error = "broken escape";
          return result;
        }
        *into += static_cast<char>(HexDigit(param[i + 1]) * 16 + HexDigit(param[i + 2]));
        i += 2;
      } else if (IsRawQueryChar(c)) {
        *into += static_cast<char>(c);
      } else {
        result.error = "raw character " + Show(Text(1, c)) + " in the query";
        return result;
      }
    }
    result.params.emplace_back(std::move(key), std::move(value));
    if (end == query.size()) break;
    start = end + 1;
  }
  result.ok = true;
  return result;
}

TEST(PresenceUrl, ReservedAndNonAsciiCharactersAreEscapedExactly) {
  struct Case {
    Text host, name, url;
  };
  const Case cases[] = {
      {u"opi.yahoo.com", u"", u"http://opi.yahoo.com/online?u="},
      {u"127.0.0.1:47613", u"anna", u"http://127.0.0.1:47613/online?u=anna"},
      {u"h", u"John Doe", u"http://h/online?u=John%20Doe"},
      {u"h", u"a&b=c", u"http://h/online?u=a%26b%3Dc"},
      {u"h", u"a#b", u"http://h/online?u=a%23b"},
      {u"h", u"100%", u"http://h/online?u=100%25"},
      {u"h", u"x+y", u"http://h/online?u=x%2By"},
      {u"h", u"  lead and trail  ", u"http://h/online?u=%20%20lead%20and%20trail%20%20"},
      {u"h", u"a/b?c", u"http://h/online?u=a%2Fb%3Fc"},
      {u"h", u"A-Z_a.z~09", u"http://h/online?u=A-Z_a.z~09"},
      {u"h", u"Zo\u00EB", u"http://h/online?u=Zo%C3%AB"},
      {u"h", u"\u674E\u5C0F\u9F8D", u"http://h/online?u=%E6%9D%8E%E5%B0%8F%E9%BE%8D"},
      {u"h", u"\U0001F600", u"http://h/online?u=%F0%9F%98%80"},
      {u"h", u"\U0010FFFF", u"http://h/online?u=%F4%8F%BF%BF"},
      // Unpaired surrogates cannot be UTF-8: each one is sent as U+FFFD.
      {u"h", Text(1, u'\xD800'), u"http://h/online?u=%EF%BF%BD"},
      {u"h", Text(1, u'\xDFFF'), u"http://h/online?u=%EF%BF%BD"},
      {u"h", Text{u'\xDC00', u'\xD800'}, u"http://h/online?u=%EF%BF%BD%EF%BF%BD"},
      {u"h", Text{u'\xD83D', u'a'}, u"http://h/online?u=%EF%BF%BDa"},
      {u"h", Text{u'\xD83D', u'\xD83D', u'\xDE00'}, u"http://h/online?u=%EF%BF%BD%F0%9F%98%80"},
      {u"h", Text{u'a', u'\0', u'b'}, u"http://h/online?u=a%00b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(presence::PresenceUrl(c.host, c.name)), Show(c.url)) << Show(c.name);
  }
}

// Screen names, typed or pasted, that a server could misread if the URL
// carried them raw.
std::vector<Text> HardNames() {
  std::vector<Text> names = {
      u"",
      u"anna",
      u"John Doe",
      u"a&b=c #1",
      u"a&u=evil",
      u"#",
      u"%41",
      u"%",
      u"x+y",
      u" ",
      u"  lead and trail  ",
      u"Zo\u00EB",
      u"\u0414\u043C\u0438\u0442\u0440\u0438\u0439",
      u"\u674E\u5C0F\u9F8D",
      u"\u05E9\u05DC\u05D5\u05DD",
      u"\U0001F600\U0001F680",
      Text(1, u'\xD800'),
      Text(1, u'\xDC00'),
      Text{u'\xDBFF', u'\xDBFF', u'\xDFFF'},
      Text{u'\xDFFF', u'\xDBFF'},
      Text{u'x', u'\xD800'},
      Text{u'\0'},
      u"tab\there\r\nline",
      u"\"quoted\" <tag> {brace} [bracket] | \\ ^ `",
  };
  // Very long: every kind of character, many times over.
  Text all;
  for (int i = 0; i < 3000; ++i) all += u"a &#%+=\u00E9\u674E\U0001F600";
  names.push_back(all);
  // Every code unit once, in pseudo-random order, so no value is missed.
  Text units;
  std::uint32_t seed = 12345;
  for (std::uint32_t c = 0; c <= 0xFFFF; ++c) units += static_cast<char16_t>(c);
  for (std::size_t i = units.size() - 1; i > 0; --i) {
    seed = seed * 1664525u + 1013904223u;
    std::swap(units[i], units[seed % (i + 1)]);
  }
  for (std::size_t at = 0; at < units.size(); at += 97) names.push_back(units.substr(at, 97));
  return names;
}

TEST(PresenceUrl, ScreenNameReachesTheServiceAsExactlyOneValueOfU) {
  const Utf16ToUtf8 utf8;
  ASSERT_TRUE(utf8.ok());
  const Text prefix = u"http://presence.example:8080/online?";
  for (const Text& name : HardNames()) {
    const Text url = presence::PresenceUrl(u"presence.example:8080", name);
    ASSERT_EQ(url.substr(0, prefix.size()), prefix) << Show(url);
    const Query query = ParseQuery(url.substr(prefix.size()));
    ASSERT_TRUE(query.ok) << query.error << " for " << Show(name) << " in " << Show(url);
    ASSERT_EQ(query.params.size(), 1u) << Show(name) << " in " << Show(url);
    EXPECT_EQ(query.params[0].first, "u") << Show(name);
    const std::optional<std::string> expected = utf8.Convert(WithUnpairedSurrogatesReplaced(name));
    ASSERT_TRUE(expected.has_value()) << Show(name);
    EXPECT_TRUE(query.params[0].second == *expected) << Show(name) << " in " << Show(url);
  }
}

// ---- the click -------------------------------------------------------------

Text UrlFor(const Text& name) { return presence::PresenceUrl(presence::Host(), name); }

TEST(PresenceCheck, EveryClickNavigatesToTheNameTypedAtThatMoment) {
  sim::SimApp app;
  app.Load();
  app.ui.faults.ClearJournal();
  // Text4 starts empty, and an empty name is still asked about.
  app.Click(ControlId::Command5);
  app.ui.box(ControlId::Text4).UserSets(u"a&b=c #1");
  app.Click(ControlId::Command5);
  app.Click(ControlId::Command5);
  app.ui.box(ControlId::Text4).UserSets(u" Zo\u00EB ");
  app.Click(ControlId::Command5);

  const std::vector<Text> expected = {UrlFor(u""), UrlFor(u"a&b=c #1"), UrlFor(u"a&b=c #1"), UrlFor(u" Zo\u00EB ")};
  EXPECT_EQ(app.ui.browser.navigations, expected);
  const Text empty_url = app.ui.browser.navigations.at(0);
  EXPECT_EQ(empty_url.substr(empty_url.size() - 10), u"/online?u=");
  // Read first, navigate second, and nothing else touched.
  std::vector<std::string> journal;
  for (int i = 0; i < 4; ++i) {
    journal.push_back("Text4.GetText");
    journal.push_back("WebBrowser1.Navigate");
  }
  EXPECT_EQ(app.ui.faults.journal(), journal);
  EXPECT_TRUE(app.errors_shown.empty());
  EXPECT_EQ(app.ui.box(ControlId::Text4).GetText(), u" Zo\u00EB ");
}

TEST(PresenceCheck, FailingReadOfText4EndsTheClickWithoutNavigating) {
  sim::SimApp app;
  app.Load();
  app.ui.box(ControlId::Text4).UserSets(u"anna");
  app.ui.faults.FailNth("Text4.GetText", 1);
  app.Click(ControlId::Command5);
  EXPECT_TRUE(app.ui.browser.navigations.empty());
  EXPECT_EQ(app.ui.faults.Count("WebBrowser1.Navigate"), 0);
  ASSERT_EQ(app.errors_shown.size(), 1u);
  EXPECT_NE(app.errors_shown[0].find("Text4.GetText"), std::string::npos) << app.errors_shown[0];
  // The failure was the click's alone: the next one works.
  app.Click(ControlId::Command5);
  EXPECT_EQ(app.ui.browser.navigations, std::vector<Text>{UrlFor(u"anna")});
}

TEST(PresenceCheck, FailingNavigationIsReportedOnceNotOnEveryClick) {
  sim::SimApp app;
  app.Load();
  app.ui.box(ControlId::Text4).UserSets(u"anna");
  app.ui.faults.FailNth("WebBrowser1.Navigate", 1, /*forever=*/true);
  app.Click(ControlId::Command5);
  app.Click(ControlId::Command5);
  EXPECT_EQ(app.ui.faults.Count("WebBrowser1.Navigate"), 2);
  EXPECT_TRUE(app.ui.browser.navigations.empty());
  ASSERT_EQ(app.errors_shown.size(), 1u);
  EXPECT_NE(app.errors_shown[0].find("WebBrowser1.Navigate"), std::string::npos) << app.errors_shown[0];
}

}  // namespace
