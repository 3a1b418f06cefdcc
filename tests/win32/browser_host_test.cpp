// Hosts the real system browser control (under Wine in CI) in a real
// top-level window and talks to it only through BrowserHost.
//
// What Wine 8 without an HTML engine really does, and so what is asserted:
// the control is created and in-place activated, Navigate() makes the HTTP
// request through urlmon before any HTML engine is needed, and LocationURL
// reports the URL at once (even when nothing answers, so it proves little on
// its own: the request line reaching our own listener is the real evidence).
//
// Link with: browser_host.cpp, tests/common/http_listener.cpp, gtest(_main),
// ole32 oleaut32 uuid user32 ws2_32.
#include "platform/win32/browser_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/common/http_listener.h"

namespace {

using platform::win32::BrowserHost;

// The status indicator's size and place in the main window: 975x615 twips at
// (5280, 2280), in pixels at 96 DPI.
constexpr RECT kIndicatorRect = {352, 152, 352 + 65, 152 + 41};

// ---------------------------------------------------------------------------
// UI-thread scaffolding.

// Pumps the UI thread's messages until `done` holds or `limit_ms` passes.
// The limit only keeps a broken control from hanging the suite; callers
// assert on what arrived, never on how long it took.
void PumpUntil(const std::function<bool()>& done, DWORD limit_ms) {
  const ULONGLONG end = GetTickCount64() + limit_ms;
  while (!done() && GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

class Window {
 public:
  Window() {
    static const wchar_t kClass[] = L"BrowserHostTestMain";
    static const bool registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
      wc.lpszClassName = kClass;
      return RegisterClassW(&wc) != 0;
    }();
    if (!registered) return;
    hwnd_ = CreateWindowExW(0, kClass, L"browser host test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 600, 400,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  }
  ~Window() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

class BrowserHostTest : public ::testing::Test {
 protected:
  // One window for the suite: without a window manager (Xvfb) Wine waits
  // two seconds for every shown top-level window it destroys.
  static void SetUpTestSuite() { window_ = std::make_unique<Window>(); }
  static void TearDownTestSuite() { window_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ole_ = true;
    ASSERT_NE(window_->get(), nullptr);
    host_.trace = [this](const char* event) { events_.emplace_back(event); };
  }
  void TearDown() override {
    host_.Destroy();
    if (ole_) OleUninitialize();
  }

  // The container calls in order, without the QueryInterface noise.
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const std::string& e : events_) {
      if (e.rfind("QueryInterface(", 0) != 0) out.push_back(e);
    }
    return out;
  }

  static inline std::unique_ptr<Window> window_;
  bool ole_ = false;
  BrowserHost host_;
  std::vector<std::string> events_;
};

std::wstring Widen(const std::string& s) { return {s.begin(), s.end()}; }

std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += static_cast<char>(c);
  return out;
}

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + "\n";
  return out;
}

// Top-level windows of this process that a person could see, other than
// the test's own: a "Gecko installer", an error box, a stray browser frame.
std::vector<std::string> StrayVisibleTopLevelWindows(HWND own) {
  struct Ctx {
    HWND own;
    std::vector<std::string> found;
  } ctx{own, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == GetCurrentProcessId() && hwnd != c->own && IsWindowVisible(hwnd)) {
          wchar_t title[256] = {};
          GetWindowTextW(hwnd, title, 256);
          c->found.push_back(Narrow(title));
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

// ---------------------------------------------------------------------------

TEST_F(BrowserHostTest, CreateOnAMissingParentFailsAndBuildsNothing) {
  HWND dead = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(dead, nullptr);
  DestroyWindow(dead);
  for (HWND parent : {static_cast<HWND>(nullptr), dead}) {
    EXPECT_TRUE(FAILED(host_.Create(parent, kIndicatorRect)));
    EXPECT_FALSE(host_.created());
    EXPECT_EQ(host_.site_reference_count(), 0u);
    EXPECT_TRUE(events_.empty()) << Join(events_);
  }
}

TEST_F(BrowserHostTest, ControlIsActivatedInPlaceThroughTheSiteInOrder) {
  ASSERT_EQ(host_.Create(window_->get(), kIndicatorRect), S_OK);
  ASSERT_TRUE(host_.created());
  const std::vector<std::string> calls = Calls();

  // The handshake every in-place object follows: it may only activate once
  // the site agreed, and asks for the frame only once it is active. The
  // parent window has to be known before the control can create its own.
  const std::vector<std::string> handshake = {
      "IOleWindow::GetWindow",
      "IOleInPlaceSite::CanInPlaceActivate",
      "IOleInPlaceSite::OnInPlaceActivate",
      "IOleInPlaceSite::GetWindowContext",
  };
  auto at = calls.begin();
  for (const std::string& step : handshake) {
    at = std::find(at, calls.end(), step);
    ASSERT_NE(at, calls.end()) << "missing or out of order: " << step << "\ncalls:\n" << Join(calls);
    ++at;
  }

  // The control read the "silent" ambient property, so the site was set
  // (and its IDispatch reachable) before it was activated.
  const auto silent = std::find(calls.begin(), calls.end(), "IDispatch::Invoke(-5502)");
  const auto can = std::find(calls.begin(), calls.end(), "IOleInPlaceSite::CanInPlaceActivate");
  EXPECT_LT(silent - calls.begin(), can - calls.begin()) << Join(calls);

  // The control owns the whole indicator area and nothing more: the rect
  // handed over in GetWindowContext/SetObjectRects reached its window.
  const HWND control = host_.control_window();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(GetParent(control), window_->get());
  RECT placed{};
  GetWindowRect(control, &placed);
  MapWindowPoints(nullptr, window_->get(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, kIndicatorRect.left);
  EXPECT_EQ(placed.top, kIndicatorRect.top);
  EXPECT_EQ(placed.right, kIndicatorRect.right);
  EXPECT_EQ(placed.bottom, kIndicatorRect.bottom);

  // Shows no page until told to.
  EXPECT_EQ(host_.LocationURL(), L"");
}

TEST_F(BrowserHostTest, NavigateSendsTheEncodedScreenNameUnchanged) {
  testhttp::HttpListener server;
  ASSERT_NE(server.port(), 0);
  ASSERT_EQ(host_.Create(window_->get(), kIndicatorRect), S_OK);

  // Percent-encoded names must reach the server exactly as built: a control
  // or a BSTR conversion that decodes, re-encodes or truncates them would
  // ask about a different user.
  const char* const kQueries[] = {
      "/online?u=a%26b",
      "/online?u=John%20Doe",
      "/online?u=x%2By%3Dz%25",
  };
  for (const char* query : kQueries) {
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + query;
    const std::string expected = std::string("GET ") + query + " HTTP/1.1";
    auto received = [&] {
      const std::vector<std::string> lines = server.lines();
      return std::find(lines.begin(), lines.end(), expected) != lines.end();
    };
    ASSERT_EQ(host_.Navigate(Widen(url).c_str()), S_OK) << url;
    PumpUntil(received, 30000);
    EXPECT_TRUE(received()) << "expected " << expected << "\nreceived:\n" << Join(server.lines());
    EXPECT_EQ(Narrow(host_.LocationURL()), url);
  }

  // Whatever the control made of the answer, nobody gets a window to click.
  PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(StrayVisibleTopLevelWindows(window_->get()).empty()) << Join(StrayVisibleTopLevelWindows(window_->get()));
}

TEST_F(BrowserHostTest, DestroyReleasesTheSiteAndAllowsARebuild) {
  testhttp::HttpListener server;
  ASSERT_NE(server.port(), 0);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(host_.Create(window_->get(), kIndicatorRect), S_OK);
    // Without this the leak check below would pass for a control that
    // never took the site at all.
    EXPECT_GT(host_.site_reference_count(), 1u);
    const HWND control = host_.control_window();
    ASSERT_NE(control, nullptr);

    // Tear down mid-navigation, when the control has most reason to hold on.
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/online?u=r";
    ASSERT_EQ(host_.Navigate(Widen(url).c_str()), S_OK);
    host_.Destroy();

    EXPECT_FALSE(host_.created());
    EXPECT_EQ(host_.site_references_left_after_destroy(), 0u);
    EXPECT_EQ(host_.site_reference_count(), 0u);
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(host_.Navigate(L"http://127.0.0.1/"), E_UNEXPECTED);
    EXPECT_EQ(host_.LocationURL(), L"");
  }
}

}  // namespace
