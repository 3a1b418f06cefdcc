// The real program driven as a user drives it: start-up, keyboard, writer, foreign messages, the
// notification area, the online check. Wine drops the icons of a window that is gone by itself, so what the
// program asks on its way out is seen by a stand-in: the "Shell_TrayWnd" window that Shell_NotifyIcon uses.
#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string_view>

#include "presence/presence.h"
#include "tests/common/http_listener.h"
#include "tests/common/shell_standin.h"
#include "tests/common/text.h"
#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;
using testtext::Show;
using testwin::FocusOf;
using testwin::PumpUntil;

namespace {

namespace fs = std::filesystem;

HWND WineTrayIcon() {
  const HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  HWND icon = nullptr;
  while (tray && (icon = ::FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) && !::IsWindowVisible(icon)) {
  }
  return icon;
}

// The colours shown across the middle of the icon: a blank place has one.
std::size_t Colours(HWND icon) {
  const RECT rc = testwin::ScreenRect(icon);
  const auto screen = platform::win32::GetWindowDc(nullptr);
  std::set<COLORREF> colours;
  for (LONG x = rc.left; x < rc.right; ++x) colours.insert(::GetPixel(screen.get(), x, (rc.top + rc.bottom) / 2));
  return colours.size();
}

bool Hidden(const e2e::App& app) { return !::IsWindowVisible(app.main()) && ::IsIconic(app.main()); }

// This machine's addresses but loopback, by the older adapter list, a different call from the program's.
std::set<std::wstring> Addresses() {
  ULONG bytes = 0;
  ::GetAdaptersInfo(nullptr, &bytes);
  std::vector<unsigned char> buffer(bytes + 1);
  std::set<std::wstring> addresses;
  if (::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &bytes) != NO_ERROR) return addresses;
  for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); a != nullptr; a = a->Next) {
    for (auto* ip = &a->IpAddressList; ip != nullptr; ip = ip->Next) {
      const std::string text = ip->IpAddress.String;
      if (text != "0.0.0.0" && !text.starts_with("127.")) addresses.emplace(text.begin(), text.end());
    }
  }
  return addresses;
}

TEST(StartupE2E, WindowGreetsScrollsWritesShrugsOffForeignMessagesAndHidesBehindAnIconWithAPictureThatBringsItBack) {
  ASSERT_TRUE(PumpUntil([] { return !WineTrayIcon(); })) << "icons left over";
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  // The names as the wide calls give them, which the program asks in the ANSI page.
  wchar_t user[256] = {}, computer[256] = {};
  DWORD user_size = 256, computer_size = 256;
  ::GetUserNameW(user, &user_size);
  ::GetComputerNameW(computer, &computer_size);
  const std::wstring welcome = app.Text(ControlId::Label1);
  const std::wstring greeting =
      std::wstring(L"Hello: ") + user + L"!      On computer: " + computer + L"       IP is: ";
  const std::wstring address = welcome.substr(std::min(greeting.size(), welcome.size()));
  const auto addresses = Addresses();
  EXPECT_TRUE(welcome.starts_with(greeting) && (addresses.empty() ? address.empty() : addresses.count(address) == 1))
      << Show(welcome);
  EXPECT_EQ(FocusOf(app.main()), app.Control(ControlId::txt1));
  const std::wstring banner = L"For Tamsivorlen. Made by Quorbelline !";
  EXPECT_TRUE(PumpUntil([&] { return app.Caption().size() > 3 && banner.starts_with(app.Caption()); }))
      << "the title does not run through the banner: " << Show(app.Caption());

  app.Click(ControlId::Text1);
  app.Key(VK_HOME);
  app.Key(VK_END, {VK_SHIFT});  // over the selected prompt
  app.Type(L"ah/");
  ASSERT_TRUE(PumpUntil([&] { return app.Text(ControlId::Text1) == L"/"; })) << Show(app.Text(ControlId::Text1));
  EXPECT_EQ(Show(app.Text(ControlId::Text3)), "@|-|");

  for (UINT base : {UINT{WM_APP}, UINT{WM_USER}})
    for (UINT msg = base; msg < base + 8; ++msg)
      for (LPARAM junk : {LPARAM{0}, LPARAM{0x10}, LPARAM{-1}, static_cast<LPARAM>(0xDEADBEEF)})
        ::PostMessageW(app.main(), msg, static_cast<WPARAM>(junk), junk);
  // Still itself once every posted message is handled (a later tick): scrolling, no error box.
  const std::wstring before = app.Caption();
  EXPECT_TRUE(PumpUntil([&] { return app.Caption() != before; }, 5s));
  EXPECT_EQ(app.process().WaitExit(0ms), -1) << "it ended";
  EXPECT_EQ(e2e::FindProcessWindow(app.process().pid(), L"#32770"), nullptr);

  // Minimised, behind an icon the shell paints in its own time; a double-click on it brings the window back in
  // front, the focus on the control that had it.
  app.Click(ControlId::Command4);
  ASSERT_TRUE(PumpUntil([&] { return Hidden(app) && WineTrayIcon(); }));
  EXPECT_TRUE(PumpUntil([] { return Colours(WineTrayIcon()) > 2; })) << "no picture in the icon's place";
  e2e::Mouse(WineTrayIcon(), {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  ASSERT_TRUE(PumpUntil([&] {
    return ::GetForegroundWindow() == app.main() && !::IsIconic(app.main()) &&
           FocusOf(app.main()) == app.Control(ControlId::Command4);
  })) << "a double-click on the icon did not bring the window back in front with the focus";
}

TEST(TrayE2E, ExitTheCloseBoxAndACrashWhileHiddenAskTheShellToDeleteTheIcon) {
  // The window (32 bits) and id of each icon the shell is asked to delete.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> deleted;
  const testwin::ShellStandIn shell([&](DWORD message, const std::uint32_t* fields) {
    if (message == NIM_DELETE) deleted.emplace_back(fields[0], fields[1]);
    return TRUE;
  });
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd()) << "Wine's own shell would get the requests";
  for (const std::string_view way : {"Exit", "close box", "crash while hidden"}) {
    SCOPED_TRACE(way);
    auto app = e2e::App::Launch();
    ASSERT_EQ(app.launch_failure(), "");
    const std::pair icon_one{static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(app.main())), std::uint32_t{1}};
    if (way == "crash while hidden") {
      app.Click(ControlId::Command4);
      ASSERT_TRUE(PumpUntil([&] { return Hidden(app); }));
    }
    // Only what this way out asks counts, not an earlier pass's nor the hide's.
    deleted.clear();
    if (way == "Exit") app.Click(ControlId::Command3);
    if (way == "close box") ::PostMessageW(app.main(), WM_CLOSE, 0, 0);
    if (way == "crash while hidden") {
      // A thread that starts at address 0 faults at once; nothing handles that.
      ASSERT_TRUE(
          e2e::Handle(::CreateRemoteThread(app.process().handle.get(), nullptr, 0, nullptr, nullptr, 0, nullptr)));
    } else {
      // The stand-in answers on this thread, so the wait pumps messages.
      EXPECT_TRUE(PumpUntil([&] { return app.process().WaitExit(0ms) == 0; })) << "no end, or not with 0";
    }
    EXPECT_TRUE(PumpUntil([&] { return std::ranges::count(deleted, icon_one) > 0; })) << "icon 1 of the window";
  }
}

// Start greys the status boxes and Stop gives them back.
bool Rotating(const e2e::App& app) { return !::IsWindowEnabled(app.Control(ControlId::txt1)); }

TEST(StartupE2E, EnterAndSpaceClickTheFocusedButtonHoweverItGotTheFocusAndEnterInABoxClicksNone) {
  E2E_MAY_PUBLISH();
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  const auto rotates = [&](bool on) { return PumpUntil([&] { return Rotating(app) == on; }, 5s); };
  app.Click(ControlId::txt5);
  app.Key(VK_TAB), app.Key(VK_RETURN);
  EXPECT_TRUE(rotates(true)) << "Tab to Start, Enter";
  app.Key(VK_TAB), app.Key(VK_SPACE);
  EXPECT_TRUE(rotates(false)) << "Tab to Stop, Space";
  const HWND stop = app.Control(ControlId::Command2);
  ASSERT_EQ(::GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "Tab made Stop the default button";

  // A press on Start that slides off clicks nothing but focuses it; Enter then clicks Start, not Stop.
  app.Press(ControlId::Command1, ControlId::Frame1);
  EXPECT_FALSE(Rotating(app));
  app.Key(VK_RETURN);
  EXPECT_TRUE(rotates(true)) << "press, slide off, Enter";
  app.Key('T', {VK_MENU});
  EXPECT_TRUE(rotates(false)) << "Alt+T";
  app.Key('S', {VK_MENU});
  EXPECT_TRUE(rotates(true)) << "Alt+S";

  // Enter in a box clicks no button, the default Stop included, rotating (Text4) or not; read once a later key is in.
  for (const ControlId box : {ControlId::Text4, ControlId::txt1}) {
    app.Click(box);
    ASSERT_EQ(::GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    const std::wstring before = app.Text(box);
    const bool rotating = Rotating(app);
    app.Key(VK_RETURN);
    app.Type(L"x");
    ASSERT_TRUE(PumpUntil([&] { return app.Text(box) != before; })) << "the key after Enter never came";
    EXPECT_EQ(Rotating(app), rotating) << "Enter in " << app::Spec(box).name << " clicked a button";
    if (rotating) {
      app.Key('T', {VK_MENU});
      ASSERT_TRUE(rotates(false)) << "Alt+T";
    }
  }

  app.Key('X', {VK_MENU});
  EXPECT_EQ(app.process().WaitExit(10s), 0) << "Alt+X";
}

// The program's folder, if it were Downloads, where someone has left DLLs named like those the program takes
// from system32 itself (not shcore, a KnownDLL on Windows, which Wine's shlwapi imports before the program's
// first line). Each leaves "<name>.ran" if it is ever loaded. Removed once the program has gone.
struct PlantedFolder {
  PlantedFolder() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path tests = fs::path(self).parent_path();
    fs::remove_all(path);  // left by a run killed before its end, whose process id this one may have
    fs::create_directories(path);
    fs::copy_file(tests / "StatusCycler.exe", path / "StatusCycler.exe");
    for (const wchar_t* dll : {L"iphlpapi.dll", L"oleacc.dll", L"urlmon.dll"})
      fs::copy_file(tests / "planted_dll.dll", path / dll);
  }
  ~PlantedFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string Ran() const {
    std::string ran;
    for (const auto& entry : fs::directory_iterator(path))
      if (entry.path().extension() == ".ran") ran += entry.path().stem().string() + " ";
    return ran;
  }
  const fs::path path = fs::temp_directory_path() / ("planted-" + std::to_string(::GetCurrentProcessId()));
};

// Windows takes the program folder's DLL first; Wine when told so, as scripts/wine-run.sh does.
bool ToldAsWindowsWould() {
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) return true;
  wchar_t overrides[512] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
  return length < 512 && std::wstring_view(overrides).find(L"iphlpapi,oleacc,urlmon=n,b") != std::wstring_view::npos;
}

// The service holds its answers: the page is still loading, the browser at its busiest, when the window goes.
// The adapters (for the welcome line) and the browser engine are loaded at their first use; the accessibility
// layer by COM for the annotation service as the window is made.
TEST(PresenceE2E,
     TypedNameReachesTheServiceAsTheOneValueOfUKeysWorkAfterTheBrowserExitWhileLoadingIsCleanAndNoPlantedDllRuns) {
  ASSERT_TRUE(ToldAsWindowsWould()) << "run through scripts/wine-run.sh, which has Wine load the program folder's DLLs "
                                       "first, as Windows does";
  const std::u16string_view host = presence::Host();
  ASSERT_TRUE(host.starts_with(u"127.0.0.1:")) << "configure the tests with -DPRESENCE_HOST=127.0.0.1:<port>";
  const testhttp::HttpListener service(
      static_cast<unsigned short>(std::stoi(std::wstring(host.begin() + 10, host.end()))));
  const PlantedFolder folder;
  auto app = e2e::App::Launch((folder.path / "StatusCycler.exe").wstring());
  ASSERT_EQ(app.launch_failure(), "");
  app.Click(ControlId::Text4);
  app.Type(L"Zo\u00EB a&b=c #1");
  app.Click(ControlId::Command5);
  ASSERT_TRUE(PumpUntil([&] { return !service.lines().empty(); }, 30s))
      << "no request reached the service (is its port taken?)";
  std::smatch request;
  const std::string line = service.lines().front();
  ASSERT_TRUE(std::regex_match(line, request, std::regex("GET /online\\?u=([^&=# +]*) HTTP/1\\.1")))
      << "not one whole value of u: " << line;
  EXPECT_EQ(testtext::PercentDecode(request[1].str()).value_or("<bad escape>"), "Zo\xC3\xAB a&b=c #1") << line;
  app.Click(ControlId::Command5);
  EXPECT_TRUE(PumpUntil([&] { return service.lines().size() == 2; }, 30s)) << "the same name was not asked again";

  // The browser comes after Command5 in the keyboard order, and txt1 after it.
  const HWND browser = app.Control(ControlId::WebBrowser1);
  app.Key(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return ::IsChild(browser, FocusOf(app.main())); })) << "Tab from Command5";
  app.Key(VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return FocusOf(app.main()) == app.Control(ControlId::txt1); })) << "Tab from the browser";
  app.Key(VK_TAB, {VK_SHIFT});
  ASSERT_TRUE(PumpUntil([&] { return ::IsChild(browser, FocusOf(app.main())); })) << "Shift+Tab from txt1";
  app.Key('X', {VK_MENU});
  EXPECT_EQ(app.process().WaitExit(30s), 0) << "Alt+X from the browser, the page loading: a hang, a crash or a box";
  EXPECT_EQ(folder.Ran(), "") << "planted DLLs that ran in the program";
}

}  // namespace
