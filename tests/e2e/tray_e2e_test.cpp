// The real program in Wine's notification area. Wine drops the icons of a window that is gone by itself, so what
// the program asks on its way out is seen by a stand-in: the "Shell_TrayWnd" window that Shell_NotifyIcon uses.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string_view>

#include "tests/common/shell_standin.h"
#include "tests/e2e/harness.h"

using namespace std::chrono_literals;
using testwin::PumpUntil;

namespace {

HWND WineTrayIcon() {
  const HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
  HWND icon = nullptr;
  while (tray && (icon = ::FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) && !::IsWindowVisible(icon)) {
  }
  return icon;
}

// The colours shown across the middle of the icon: a blank place has one.
std::size_t Colours(HWND icon) {
  RECT rc{};
  ::GetWindowRect(icon, &rc);
  const auto screen = platform::win32::GetWindowDc(nullptr);
  std::set<COLORREF> colours;
  for (LONG x = rc.left; x < rc.right; ++x) colours.insert(::GetPixel(screen.get(), x, (rc.top + rc.bottom) / 2));
  return colours.size();
}

bool Hidden(const e2e::App& app) { return !::IsWindowVisible(app.main()) && ::IsIconic(app.main()); }

TEST(TrayE2E, MinimizeHidesBehindAnIconWithAPictureThatADoubleClickOnBringsTheWindowBackFrom) {
  ASSERT_TRUE(PumpUntil([] { return !WineTrayIcon(); })) << "icons left over";
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  app.Click(app::ControlId::Command4);
  ASSERT_TRUE(PumpUntil([&] { return Hidden(app) && WineTrayIcon(); }));
  // The shell paints the icon in its own time.
  EXPECT_TRUE(PumpUntil([] { return Colours(WineTrayIcon()) > 2; })) << "no picture in the icon's place";

  e2e::Mouse(WineTrayIcon(), {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  // In front, and with the focus back on the control that had it.
  ASSERT_TRUE(PumpUntil([&] {
    return ::GetForegroundWindow() == app.main() && !::IsIconic(app.main()) &&
           testwin::FocusOf(app.main()) == app.Control(app::ControlId::Command4);
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
      app.Click(app::ControlId::Command4);
      ASSERT_TRUE(PumpUntil([&] { return Hidden(app); }));
    }
    // Only what this way out asks counts, not an earlier pass's nor the hide's.
    deleted.clear();
    if (way == "Exit") app.Click(app::ControlId::Command3);
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

}  // namespace
