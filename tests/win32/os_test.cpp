// The program's registry calls against the real ones. What is
// stored is read back through the wide API, past the program's ANSI calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_os.h"
#include "status/status.h"
#include "tests/common/text.h"
#include "tests/win32/long_run.h"

namespace {

using platform::Text;

Text T(const std::wstring& w) { return Text(w.begin(), w.end()); }

struct Stored {
  DWORD type = REG_NONE;
  std::wstring units;  // every stored UTF-16 unit, less one terminating NUL
};

Stored Get(const std::wstring& path, const wchar_t* name) {
  Stored out{REG_NONE, std::wstring(65536, L'\0')};
  DWORD size = 65536 * sizeof(wchar_t);
  const DWORD any = RRF_RT_ANY | RRF_NOEXPAND;
  if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, any, &out.type, out.units.data(), &size)) return {};
  out.units.resize(size / sizeof(wchar_t));
  if (!out.units.empty() && out.units.back() == L'\0') out.units.pop_back();
  return out;
}

void Put(const std::wstring& path, const wchar_t* name, DWORD type, const std::wstring& units) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, type, units.data(),
                    static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

// Texts beyond ASCII the page holds (one it cannot would not come back); under 932 a character is one byte or two.
std::vector<std::wstring> PageTexts(UINT page) {
  switch (page) {
    case 1252: return {L"Gr\u00FC\u00DFe \u20AC"};
    case 932: return {L"\u65E5\u672C\u8A9E", L"\uFF76\uFF80a\u65E5", std::wstring(20000, L'\u8A9E')};
    default: return {};  // elsewhere only the texts every page holds
  }
}

// Each test in a throwaway key under HKEY_CURRENT_USER.
class RealRegistry : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\StatusCyclerTest"); }
  static std::wstring Path(const std::wstring& below = L"") {
    return L"Software\\StatusCyclerTest" + (below.empty() ? L"" : L"\\" + below);
  }
  Text Read(const wchar_t* name, const std::wstring& below = L"") {
    return status::RegReadString(registry_, ansi_, platform::kHkeyCurrentUser, T(Path(below)), T(name), u"dflt");
  }
  void Write(const wchar_t* name, const std::wstring& text, const std::wstring& below = L"") {
    status::RegWriteString(registry_, ansi_, platform::kHkeyCurrentUser, T(Path(below)), T(name), T(text));
  }
  platform::win32::Win32Registry registry_;
  platform::win32::Win32Ansi ansi_;
};

TEST_F(RealRegistry, StringsAreStoredAsTheirTextAndReadBackUpToTheirFirstNul) {
  // Run once more by the build under a double-byte page, which it names.
  const UINT page = ::GetACP();
  if (const char* asked = std::getenv("STATUSCYCLER_ACP")) {
    ASSERT_EQ(page, static_cast<UINT>(std::atoi(asked))) << "the ANSI code page the run's locale gives";
  }
  std::vector<std::wstring> texts = PageTexts(page);
  texts.insert(texts.begin(), {L"abc", L"", std::wstring(40000, L'w')});
  texts.insert(texts.end(), {L"a longer text", L"xy"});
  for (const std::wstring& text : texts) {
    Write(L"V", text, L"a\\b\\c");
    const Stored stored = Get(Path(L"a\\b\\c"), L"V");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(testtext::Show(stored.units), testtext::Show(text)) << "the platform may add one NUL, no more";
    EXPECT_EQ(Read(L"V", L"a\\b\\c"), T(text)) << "an empty value reads as empty, not as the default";
  }
  Put(Path(), L"cut", REG_SZ, std::wstring(L"ab\0cd", 5));
  Put(Path(), L"expand", REG_EXPAND_SZ, std::wstring(L"%SystemRoot%\0", 13));
  EXPECT_EQ(Read(L"cut"), u"ab");
  for (const wchar_t* name : {L"expand", L"missing"}) {
    EXPECT_EQ(Read(name), u"dflt") << testtext::Show(std::wstring(name));
  }
  EXPECT_EQ(Read(L"V", L"no\\such\\key"), u"dflt");
}

// HKEY_CURRENT_USER redirected into a scratch key, so the messenger's fixed
// paths are used for real without touching the user's.
TEST_F(RealRegistry, PublishesLeaveNoHandleBehind) {
  HKEY raw = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
  const platform::win32::RegistryKey redirect(raw);
  ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, redirect.get()), ERROR_SUCCESS);
  struct NoEnd final : platform::Process {
    void End() noexcept override {}
  } no_end;
  platform::win32::Win32Services services(no_end);
  Put(L"Software\\Yahoo\\Pager", L"Yahoo! user id", REG_SZ, L"alice");
  status::SetMessengerStatus(services.os, u"warm");
  const int rounds = longrun::Rounds(300, 10000);
  const int before = longrun::KernelHandles();
  const auto kib = longrun::WorkingSetKib();
  for (int i = 0; i < rounds; ++i) status::SetMessengerStatus(services.os, T(L"status " + std::to_wstring(i % 5)));
  EXPECT_EQ(longrun::KernelHandles(), before) << "every key opened is closed";
  EXPECT_EQ(Get(L"Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", L"1").units,
            L"status " + std::to_wstring((rounds - 1) % 5));
  longrun::Report("publish", rounds, longrun::KernelHandles() - before, kib);
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
}

}  // namespace
