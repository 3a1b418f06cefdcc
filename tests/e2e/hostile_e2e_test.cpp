// What a careless user or a misbehaving system throws at the real program:
// it must neither crash nor hang, and the rotation must go on.
#include <aclapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/messenger.h"

using app::ControlId;
using namespace std::chrono_literals;

namespace {

bool Answers(const e2e::App& app) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(app.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

LRESULT TextLength(HWND hwnd) {
  DWORD_PTR length = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  return static_cast<LRESULT>(length);
}

bool PutOnClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return false;
  ::EmptyClipboard();
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  bool ok = false;
  if (memory != nullptr) {
    auto* p = static_cast<wchar_t*>(::GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, p);
    ::GlobalUnlock(memory);
    ok = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!ok) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return ok;
}

std::string Utf8(const std::wstring& text) {
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// What a text becomes after a trip through the ANSI code page and back.
std::wstring ThroughAnsiPage(const std::wstring& text) {
  const int n =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  const int m = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
  std::wstring back(static_cast<std::size_t>(m), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, back.data(), m);
  return back;
}

TEST(HostileE2E, PrivateMessagesFromAnotherProgramAreNeitherTrustedNorFatal) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  for (UINT base : {UINT{WM_APP}, UINT{WM_USER}}) {
    for (UINT msg = base; msg < base + 8; ++msg) {
      for (LPARAM junk : {LPARAM{0}, LPARAM{0x10}, LPARAM{-1}, static_cast<LPARAM>(0xDEADBEEF)}) {
        ::PostMessageW(app.main(), msg, static_cast<WPARAM>(junk), junk);
      }
    }
  }
  app.Sync();
  EXPECT_TRUE(app.process().running());
  EXPECT_TRUE(Answers(app));
  // Still itself: the title goes on scrolling and no error box came up.
  const std::wstring before = app.Caption();
  EXPECT_TRUE(e2e::WaitFor([&] { return app.Caption() != before; }, 5s));
  EXPECT_EQ(e2e::FindProcessWindow(app.process().pid(), L"#32770"), nullptr);
}

TEST(HostileE2E, MegabytePasteIntoAStatusBoxNeitherCrashesNorHangs) {
  e2e::TempLog log(L"paste");
  auto messenger = e2e::StartMessenger(L"e2e.paste", log.path());
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const std::wstring huge(1 << 20, L'x');
  ASSERT_TRUE(PutOnClipboard(huge));
  app.Click(ControlId::txt2);
  app.Key('A', false, /*ctrl=*/true);
  app.Key('V', false, /*ctrl=*/true);
  ASSERT_TRUE(e2e::WaitFor([&] { return TextLength(app.Control(ControlId::txt2)) == (1 << 20); }, 90s))
      << "the box holds " << TextLength(app.Control(ControlId::txt2)) << " characters";
  EXPECT_TRUE(Answers(app));

  app.Click(ControlId::Command1);
  // Slot 2 carries the megabyte; it is published or dropped, and slot 3 comes
  // after it either way.
  ASSERT_TRUE(e2e::WaitFor(
      [&] {
        const auto lines = e2e::ReadLog(log.path());
        return lines.size() >= 3 && lines.back().text == "Online";
      },
      90s))
      << e2e::ReadLog(log.path()).size() << " statuses applied";
  EXPECT_TRUE(Answers(app));
  const auto lines = e2e::ReadLog(log.path());
  EXPECT_EQ(lines[0].text, "Name");
  EXPECT_TRUE(lines[1].text == std::string(1 << 20, 'x') || lines[1].text.empty() || lines[1].text == "Name")
      << "the huge status arrived changed: " << lines[1].text.size() << " bytes";
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(30s), 0);
}

TEST(HostileE2E, TextOutsideTheAnsiPageIsPublishedWithItsCharactersReplaced) {
  e2e::TempLog log(L"ansi");
  auto messenger = e2e::StartMessenger(L"e2e.ansi", log.path());
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const std::wstring typed = L"\u674E\u5C0F\u9F8D \u263A \u00E9t\u00E9";
  app.Click(ControlId::txt1);
  app.Key('A', false, /*ctrl=*/true);
  app.Type(typed);
  ASSERT_TRUE(e2e::WaitFor([&] { return app.Text(ControlId::txt1) == typed; }, 10s)) << "the box holds other text";
  app.Click(ControlId::Command1);
  ASSERT_TRUE(e2e::WaitFor([&] { return !e2e::ReadLog(log.path()).empty(); }, 20s));
  EXPECT_EQ(e2e::ReadLog(log.path())[0].text, Utf8(ThroughAnsiPage(typed)));
  EXPECT_TRUE(Answers(app));
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(30s), 0);
}

// The profile's key, made read-only for everyone, for one test.
class ReadOnlyProfileKey {
 public:
  explicit ReadOnlyProfileKey(const std::wstring& user_id)
      : path_(L"Software\\Yahoo\\Pager\\profiles\\" + user_id + L"\\Custom Msgs") {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      return;
    }
    const wchar_t frozen[] = L"frozen";
    ::RegSetValueExW(key, L"1", 0, REG_SZ, reinterpret_cast<const BYTE*>(frozen), sizeof frozen);
    SetAccess(key, KEY_READ);
    ::RegCloseKey(key);
  }
  ReadOnlyProfileKey(const ReadOnlyProfileKey&) = delete;
  ReadOnlyProfileKey& operator=(const ReadOnlyProfileKey&) = delete;
  ~ReadOnlyProfileKey() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
      SetAccess(key, KEY_ALL_ACCESS);
      ::RegCloseKey(key);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  // True when a write through the key is really refused.
  bool refuses_writes() const {
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, &key);
    if (rc == ERROR_SUCCESS) ::RegCloseKey(key);
    return rc == ERROR_ACCESS_DENIED;
  }

 private:
  static void SetAccess(HKEY key, DWORD rights) {
    EXPLICIT_ACCESSW ea{};
    ea.grfAccessPermissions = rights | (rights == KEY_READ ? WRITE_DAC | DELETE : 0);
    ea.grfAccessMode = SET_ACCESS;
    ea.grfInheritance = NO_INHERITANCE;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    ea.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    wchar_t everyone[] = L"EVERYONE";
    ea.Trustee.ptstrName = everyone;
    PACL acl = nullptr;
    if (::SetEntriesInAclW(1, &ea, nullptr, &acl) == ERROR_SUCCESS) {
      ::SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, acl, nullptr);
      ::LocalFree(acl);
    }
  }
  std::wstring path_;
};

TEST(HostileE2E, ProfileKeyThatMayNotBeWrittenDoesNotStopTheRotation) {
  ReadOnlyProfileKey read_only(L"e2e.readonly");
  if (!read_only.refuses_writes()) GTEST_SKIP() << "this registry does not enforce key security";
  e2e::TempLog log(L"readonly");
  auto messenger = e2e::StartMessenger(L"e2e.readonly", log.path());
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command1);
  // Each tick's write is refused and dropped; the command still goes out, and
  // the messenger keeps showing what the key held.
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::ReadLog(log.path()).size() >= 3; }, 30s));
  for (const auto& line : e2e::ReadLog(log.path())) EXPECT_EQ(line.text, "frozen");
  EXPECT_TRUE(Answers(app));
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(30s), 0);
}

TEST(HostileE2E, MessengerRestartedMidRotationIsFoundOnTheNextTick) {
  e2e::TempLog first_log(L"first");
  e2e::TempLog second_log(L"second");
  auto first = e2e::StartMessenger(L"e2e.restart", first_log.path());
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command1);
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::ReadLog(first_log.path()).size() >= 2; }, 30s));
  first.Kill();
  // A tick or two with no messenger at all.
  e2e::WaitFor([] { return false; }, 1500ms);
  EXPECT_TRUE(Answers(app));
  auto second = e2e::StartMessenger(L"e2e.restart", second_log.path());
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::ReadLog(second_log.path()).size() >= 3; }, 30s))
      << "the restarted messenger was never found";
  // The ring went on in order through the gap.
  const char* ring[] = {"Name", "Is", "Online", "For", "Awhile!"};
  const auto lines = e2e::ReadLog(second_log.path());
  std::size_t at = 0;
  while (at < 5 && lines[0].text != ring[at]) ++at;
  ASSERT_LT(at, 5u) << lines[0].text;
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].text, ring[(at + i) % 5]) << i;
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(30s), 0);
}

}  // namespace
