// Registry strings against the real registry (Wine's in CI), in a throwaway
// key under HKEY_CURRENT_USER. What the program stores is read back through
// the wide API, so the ANSI conversion on both sides is part of what is
// tested rather than taken on trust.
//
// What the platform does on its own, and is therefore what is checked: the
// ANSI set-value call of NT (and Wine) counts in a terminating NUL when the
// byte just past the given data happens to be one. The program passes the
// text's bytes without a NUL, and they come from a std::string, so a non-empty
// text is normally stored as the text plus one NUL. An empty text is stored
// as zero bytes.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_os.h"
#include "status/status.h"
#include "tests/win32/registry_scratch.h"

namespace {

using platform::Text;

Text ToText(const std::wstring& w) { return Text(w.begin(), w.end()); }

class RealRegistryString : public ::testing::Test {
 protected:
  Text Path(const std::wstring& below = L"") const {
    return ToText(key_.path() + (below.empty() ? L"" : L"\\" + below));
  }
  std::wstring WPath(const std::wstring& below = L"") const {
    return key_.path() + (below.empty() ? L"" : L"\\" + below);
  }
  Text Read(const wchar_t* name, platform::TextView default_text = {}, const std::wstring& below = L"") {
    return status::RegReadString(registry_, ansi_, platform::kHkeyCurrentUser, Path(below), ToText(name), default_text);
  }
  void Write(const wchar_t* name, const std::wstring& text, const std::wstring& below = L"") {
    status::RegWriteString(registry_, ansi_, platform::kHkeyCurrentUser, Path(below), ToText(name), ToText(text));
  }

  scratch::Key key_;
  platform::win32::Win32Registry registry_;
  platform::win32::Win32Ansi ansi_;
};

bool DoubleByteAnsiPage() {
  CPINFO info{};
  return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2;
}

TEST_F(RealRegistryString, WrittenTextIsStoredAsThatTextAndReadsBack) {
  const std::wstring long_text(40000, L'w');
  // Texts the ANSI page cannot hold come back changed, by design; each page
  // has its own.
  const std::wstring cases[] = {
      L"abc", L"Name", L"Awhile!", L" spaced ", long_text, L"Gr\u00FC\u00DFe \u20AC", L"\u65E5\u672C\u8A9E"};
  for (const auto& text : cases) {
    if (!scratch::FitsAnsiPage(text)) continue;
    Write(L"V", text);
    const auto stored = scratch::Get(HKEY_CURRENT_USER, WPath(), L"V");
    ASSERT_TRUE(stored.found) << text.size();
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(scratch::WithoutTerminator(stored.data), text) << "stored " << stored.data.size() << " units";
    EXPECT_LE(stored.data.size(), text.size() + 1) << "more than one NUL after the text";
    EXPECT_EQ(Read(L"V", u"dflt"), ToText(text));
  }
}

TEST_F(RealRegistryString, EmptyTextIsStoredAsZeroBytes) {
  Write(L"V", L"something first");
  Write(L"V", L"");
  const auto stored = scratch::Get(HKEY_CURRENT_USER, WPath(), L"V");
  ASSERT_TRUE(stored.found);
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.data, L"");
  EXPECT_EQ(Read(L"V", u"dflt"), u"");
}

TEST_F(RealRegistryString, UnusableValueReadsAsTheDefault) {
  const DWORD number = 5;
  const std::wstring expand = std::wstring(L"%SystemRoot%") + L'\0';
  const std::wstring multi = std::wstring(L"one") + L'\0' + L"two" + L'\0' + L'\0';
  ASSERT_TRUE(scratch::PutText(HKEY_CURRENT_USER, WPath(), L"expand", REG_EXPAND_SZ, expand));
  ASSERT_TRUE(scratch::Put(HKEY_CURRENT_USER, WPath(), L"dword", REG_DWORD, &number, sizeof number));
  ASSERT_TRUE(scratch::PutText(HKEY_CURRENT_USER, WPath(), L"multi", REG_MULTI_SZ, multi));
  ASSERT_TRUE(scratch::Put(HKEY_CURRENT_USER, WPath(), L"binary", REG_BINARY, "ab", 2));
  for (const wchar_t* name : {L"expand", L"dword", L"multi", L"binary", L"missing"}) {
    EXPECT_EQ(Read(name, u"dflt"), u"dflt") << name;
  }
  EXPECT_EQ(Read(L"missing"), u"");
  EXPECT_EQ(Read(L"V", u"dflt", L"no\\such\\key"), u"dflt");
}

TEST_F(RealRegistryString, StoredStringEndsAtItsFirstNul) {
  struct Case {
    std::wstring units;
    Text expected;
  };
  const Case cases[] = {
      {std::wstring(L"ab\0cd", 5), u"ab"},
      {L"abc", u"abc"},  // no terminator at all
      {std::wstring(L"abc\0", 4), u"abc"},
      {L"", u""},  // zero-length: empty, not the default
      {std::wstring(40000, L'x') + std::wstring(L"\0tail", 5), Text(40000, u'x')},
      {std::wstring(32767, L'y') + L'\0', Text(32767, u'y')},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(scratch::PutText(HKEY_CURRENT_USER, WPath(), L"V", REG_SZ, c.units));
    Text got;
    EXPECT_NO_THROW(got = Read(L"V", u"dflt")) << c.units.size();
    EXPECT_EQ(got, c.expected) << c.units.size() << " units stored";
  }
}

TEST_F(RealRegistryString, WriteCreatesTheMissingKeysAlongThePath) {
  ASSERT_FALSE(scratch::KeyExists(HKEY_CURRENT_USER, WPath(L"a")));
  Write(L"V", L"deep", L"a\\b\\c");
  EXPECT_TRUE(scratch::KeyExists(HKEY_CURRENT_USER, WPath(L"a")));
  EXPECT_TRUE(scratch::KeyExists(HKEY_CURRENT_USER, WPath(L"a\\b")));
  EXPECT_EQ(scratch::WithoutTerminator(scratch::Get(HKEY_CURRENT_USER, WPath(L"a\\b\\c"), L"V").data), L"deep");
}

TEST_F(RealRegistryString, SecondWriteReplacesTheFirst) {
  Write(L"V", L"a much longer text");
  Write(L"V", L"xy");
  EXPECT_EQ(scratch::WithoutTerminator(scratch::Get(HKEY_CURRENT_USER, WPath(), L"V").data), L"xy");
  EXPECT_EQ(Read(L"V"), u"xy");
  // A number under the name is replaced by the string.
  const DWORD number = 7;
  ASSERT_TRUE(scratch::Put(HKEY_CURRENT_USER, WPath(), L"N", REG_DWORD, &number, sizeof number));
  Write(L"N", L"now text");
  EXPECT_EQ(scratch::Get(HKEY_CURRENT_USER, WPath(), L"N").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Read(L"N"), u"now text");
}

TEST_F(RealRegistryString, DoubleBytePageStoresEveryByteOfTheText) {
  // Run with a double-byte ANSI page (LC_ALL=ja_JP.UTF-8 under Wine; the
  // build registers such a run). There, "日本語" is three characters but six
  // ANSI bytes, and a length counted in characters would store half of it.
  if (!DoubleByteAnsiPage()) GTEST_SKIP() << "the ANSI code page is single-byte here (" << ::GetACP() << ")";
  const std::wstring cases[] = {L"\u65E5\u672C\u8A9E", L"a\u65E5b", L"\u30B9\u30C6\u30FC\u30BF\u30B9!"};
  for (const auto& text : cases) {
    Write(L"V", text);
    EXPECT_EQ(scratch::WithoutTerminator(scratch::Get(HKEY_CURRENT_USER, WPath(), L"V").data), text);
    EXPECT_EQ(Read(L"V"), ToText(text));
  }
}

}  // namespace
