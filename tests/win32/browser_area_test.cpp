// The browser area of the real window: the system browser control created
// inside the WebBrowser1 rectangle on the first navigation, and torn down
// by the window itself when the program ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "platform/win32/browser_host.h"
#include "tests/common/http_listener.h"

using app::ControlId;

namespace {

void PumpUntil(const std::function<bool()>& done, DWORD limit_ms) {
  const ULONGLONG end = ::GetTickCount64() + limit_ms;
  while (!done() && ::GetTickCount64() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

std::u16string Url(const testhttp::HttpListener& server, const char* name) {
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/online?u=" + name;
  return {url.begin(), url.end()};
}

class BrowserArea : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window_.Create(SW_SHOWNOACTIVATE)); }

  // Navigates through the window's own browser and waits for the request.
  void NavigateAndWait(const testhttp::HttpListener& server, const char* name) {
    const std::size_t before = server.lines().size();
    window_.browser().Navigate(Url(server, name));
    PumpUntil([&] { return server.lines().size() > before; }, 30000);
    ASSERT_GT(server.lines().size(), before) << "no request for " << name;
  }

  appwin::MainWindow window_{::GetModuleHandleW(nullptr)};
};

TEST_F(BrowserArea, ControlIsCreatedOnceOnTheFirstNavigationAndFillsTheRectangle) {
  testhttp::HttpListener server;
  ASSERT_NE(server.port(), 0);
  const HWND area = window_.control(ControlId::WebBrowser1);
  EXPECT_EQ(window_.browser().host(), nullptr);
  EXPECT_EQ(::GetWindow(area, GW_CHILD), nullptr);

  NavigateAndWait(server, "one");
  platform::win32::BrowserHost* const host = window_.browser().host();
  ASSERT_NE(host, nullptr);
  const HWND control = ::GetWindow(area, GW_CHILD);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(::GetParent(control), area);
  RECT want{};
  ::GetClientRect(area, &want);
  RECT got{};
  ::GetWindowRect(control, &got);
  ::MapWindowPoints(HWND_DESKTOP, area, reinterpret_cast<POINT*>(&got), 2);
  EXPECT_TRUE(::EqualRect(&want, &got)) << got.left << "," << got.top << "," << got.right << "," << got.bottom;

  NavigateAndWait(server, "two");
  EXPECT_EQ(window_.browser().host(), host);
  EXPECT_EQ(::GetWindow(area, GW_CHILD), control);
  const std::vector<std::string> expected = {"GET /online?u=one HTTP/1.1", "GET /online?u=two HTTP/1.1"};
  EXPECT_EQ(server.lines(), expected);
}

TEST_F(BrowserArea, ExitTearsTheControlDownWhileItsWindowStillExists) {
  testhttp::HttpListener::Options options;
  options.hold = true;  // the answer never comes: the control is mid-navigation
  testhttp::HttpListener server(options);
  ASSERT_NE(server.port(), 0);
  NavigateAndWait(server, "held");
  const HWND area = window_.control(ControlId::WebBrowser1);
  platform::win32::BrowserHost* const host = window_.browser().host();
  ASSERT_NE(host, nullptr);
  const HWND control = ::GetWindow(area, GW_CHILD);
  ASSERT_NE(control, nullptr);

  // What Exit does. The window object outlives its window here, so only
  // the window's own teardown can have let the control go: left to the
  // object's destructor, the control would outlive the parent it was
  // activated in.
  window_.End();

  EXPECT_EQ(window_.hwnd(), nullptr);
  EXPECT_EQ(window_.browser().host(), nullptr);
  EXPECT_FALSE(::IsWindow(control));
}

}  // namespace
