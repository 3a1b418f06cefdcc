// The real window among the other programs of a desktop: a messenger that
// clicks our buttons while it handles our command, a shell that is not there
// yet, and a WM_NCCREATE that comes from someone else. The messenger's
// settings are written into this process's HKEY_CURRENT_USER, redirected to a
// scratch key for the test.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/main_window.h"
#include "tests/common/pump.h"

namespace {

using app::ControlId;
using namespace std::chrono_literals;

constexpr wchar_t kScratch[] = L"Software\\StatusCyclerTest\\desktop";

void Click(HWND main, HWND button) {
  ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::wstring Stored(const wchar_t* path, const wchar_t* name) {
  wchar_t text[64] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  ::RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, text, &size);
  return text;
}

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY scratch = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr),
              ERROR_SUCCESS);
    redirect_.reset(scratch);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, redirect_.get()), ERROR_SUCCESS);
    const std::wstring id = L"desk";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Yahoo\\Pager", L"Yahoo! user id", REG_SZ, id.c_str(),
                      static_cast<DWORD>((id.size() + 1) * sizeof(wchar_t)));
    ASSERT_TRUE(window_.emplace(::GetModuleHandleW(nullptr)).Create(SW_SHOW));
  }
  void TearDown() override {
    window_.reset();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    redirect_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  }
  HWND Main() const { return window_->hwnd(); }
  HWND Control(ControlId id) const { return window_->ControlWindow(id); }
  bool RotationArmed() {
    for (const auto id :
         {ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4, ControlId::Timer5})
      if (window_->Timer(id).IsEnabled()) return true;
    return false;
  }

  platform::win32::RegistryKey redirect_;
  std::optional<app::win32::MainWindow> window_;
};

// A messenger on a thread of its own, as in another process: on its second
// command it clicks one of our buttons, and waits for that before it returns.
class Messenger {
 public:
  Messenger(HWND main, HWND button) : main_(main), button_(button), thread_([this] { Run(); }) {
    testwin::PumpUntil([this] { return ready_.load(); });
  }
  ~Messenger() {
    ::PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  int commands() const { return commands_; }

 private:
  void Run() {
    thread_id_ = ::GetCurrentThreadId();
    const WNDCLASSW cls{0, &Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"YahooBuddyMain"};
    ::RegisterClassW(&cls);
    const HWND hwnd =
        ::CreateWindowExW(0, L"YahooBuddyMain", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ready_ = true;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(hwnd);
    ::UnregisterClassW(L"YahooBuddyMain", nullptr);
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Messenger*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || msg != WM_COMMAND || LOWORD(wparam) != 388)
      return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    if (++self->commands_ == 2) Click(self->main_, self->button_);
    return 0;
  }

  HWND main_, button_;
  std::atomic<bool> ready_{false};
  std::atomic<int> commands_{0};
  DWORD thread_id_ = 0;
  std::thread thread_;
};

TEST_F(Desktop, StopOrExitClickedWhileTheMessengerHandlesTheCommandEndsTheRotation) {
  for (const ControlId button : {ControlId::Command2, ControlId::Command3}) {
    SCOPED_TRACE(app::Spec(button).name);
    if (button == ControlId::Command3) {  // a window of its own for the second case
      window_.reset();
      ASSERT_TRUE(window_.emplace(::GetModuleHandleW(nullptr)).Create(SW_SHOW));
    }
    const Messenger messenger(Main(), Control(button));
    Click(Main(), Control(ControlId::Command1));
    // Our thread is inside the tick, waiting on the messenger, until the
    // messenger's second command has returned: once it is seen here, the
    // tick that sent it is over.
    ASSERT_TRUE(testwin::PumpUntil([&] { return messenger.commands() >= 2; }, 20s));
    EXPECT_FALSE(RotationArmed()) << "the tick handed its turn on after the click";
    if (button == ControlId::Command2) {
      EXPECT_TRUE(::IsWindowEnabled(Control(ControlId::txt1)));
    } else {
      EXPECT_EQ(Main(), nullptr) << "Exit did not end the window";
    }
    EXPECT_EQ(Stored(L"Software\\Yahoo\\Pager\\profiles\\desk\\Custom Msgs", L"1"), L"Is");
  }
}

// A notification area that can refuse the icon, as a shell that is not up
// yet does; the program's requests reach it as Wine's Shell_NotifyIcon sends
// them, to the window of class "Shell_TrayWnd".
class Shell {
 public:
  Shell() {
    const WNDCLASSW cls{0, &Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
    ::RegisterClassW(&cls);
    hwnd_ = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  }
  ~Shell() {
    ::DestroyWindow(hwnd_);
    ::UnregisterClassW(L"Shell_TrayWnd", nullptr);
  }
  HWND hwnd() const { return hwnd_; }
  static inline bool up = false;
  static inline std::vector<DWORD> taken;  // the requests it took

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_COPYDATA) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    if (up) taken.push_back(static_cast<DWORD>(reinterpret_cast<const COPYDATASTRUCT*>(lparam)->dwData));
    return up ? TRUE : FALSE;
  }
  HWND hwnd_;
};

TEST_F(Desktop, MinimizeHidesOnlyBehindAnIconAndTheWindowGoesOnWorkingWhileHidden) {
  const Shell shell;
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd()) << "Wine's own shell would get the requests";
  const HWND main = Main();
  Click(main, Control(ControlId::Command1));
  Shell::up = false;
  Click(main, Control(ControlId::Command4));
  EXPECT_TRUE(::IsWindowVisible(main) && ::IsIconic(main)) << "hidden with no icon to bring it back";

  // A shell announces itself: the icon goes in, and the window behind it.
  Shell::up = true;
  ::SendMessageW(main, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(Shell::taken, std::vector<DWORD>{NIM_ADD});
  ASSERT_FALSE(::IsWindowVisible(main));

  // Hidden, the title scrolls on and the statuses go on reaching the messenger's setting.
  std::vector<std::wstring> captions, statuses;
  const auto note = [](std::vector<std::wstring>& seen, const std::wstring& now) {
    if (seen.empty() || seen.back() != now) seen.push_back(now);
  };
  EXPECT_TRUE(testwin::PumpUntil(
      [&] {
        wchar_t caption[64] = {};
        ::GetWindowTextW(main, caption, 64);
        note(captions, caption);
        note(statuses, Stored(L"Software\\Yahoo\\Pager\\profiles\\desk\\Custom Msgs", L"1"));
        return captions.size() > 5 && statuses.size() > 2;
      },
      20s))
      << captions.size() << " captions and " << statuses.size() << " statuses while hidden";
  EXPECT_FALSE(::IsWindowVisible(main));

  // The icon's double-click brings it back; a second Minimize finds the icon
  // there (adding fails, updating does) and hides the window again.
  ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(::IsWindowVisible(main));
  Shell::taken.clear();
  Click(main, Control(ControlId::Command4));
  EXPECT_FALSE(::IsWindowVisible(main));
}

TEST_F(Desktop, AForeignNcCreateBindsTheWindowToNothing) {
  // Whatever comes with it, a later WM_NCCREATE is not the window's own creation.
  CREATESTRUCTW elsewhere{};
  elsewhere.lpCreateParams = reinterpret_cast<void*>(0x10);
  elsewhere.lpszName = L"Scroll";
  ::SendMessageW(Main(), WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&elsewhere));
  Click(Main(), Control(ControlId::Command1));
  EXPECT_FALSE(::IsWindowEnabled(Control(ControlId::txt1))) << "Start no longer reaches the window's handlers";
  Click(Main(), Control(ControlId::Command2));
}

}  // namespace
