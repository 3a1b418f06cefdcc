// The real program in the notification area of Wine's shell.
//
// What Wine 8 shows a test, under Xvfb with no window manager and no system
// tray of the X desktop: the shell (explorer.exe) keeps the icons, and the X11
// driver draws them in a fallback top-level window of class
// "__winex11_standalone_tray" ("Wine System Tray"), one visible child window of
// class "__winex11_tray_icon" per icon, which draws the icon's picture at the
// small-icon size. A click on such a child reaches the icon's owner as the
// callback message, as on Windows. The shell also answers
// Shell_NotifyIcon for another process's window: NIM_MODIFY of (window, id)
// succeeds exactly when that icon is there, and NIM_DELETE removes it, which
// is how a test makes the shell forget an icon as a restarted shell would.
//
// Wine drops by itself, within milliseconds, the icons of a window that has
// been destroyed (also of a process that was killed), so an icon missing after
// the program ended proves nothing: it is gone by the time the test sees the
// process end whether the program asked or not. The request itself is seen by
// a stand-in shell: a window of class "Shell_TrayWnd" made by the test before
// the program starts is the one Wine's Shell_NotifyIcon finds and sends the
// request to, as WM_COPYDATA. The same goes for a crash: Wine would drop the
// icon once the process is gone, so what is checked is that the program asked.
//
// Restoring a window with ShowWindow already makes it the foreground window
// under Wine, so the activation step of the restore cannot be told apart here;
// that it is asked for, with the program's own process id, is a unit test.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/win32/resource.h"
#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;

namespace {

constexpr UINT kCallback = WM_MOUSEMOVE;
constexpr UINT kIconId = 1;

HWND WineTray() { return ::FindWindowW(L"__winex11_standalone_tray", nullptr); }

std::vector<HWND> WineTrayIcons() {
  std::vector<HWND> icons;
  const HWND tray = WineTray();
  if (tray == nullptr) return icons;
  for (HWND child = nullptr; (child = ::FindWindowExW(tray, child, L"__winex11_tray_icon", nullptr)) != nullptr;) {
    if (::IsWindowVisible(child)) icons.push_back(child);
  }
  return icons;
}

std::size_t WineTrayIconCount() { return WineTrayIcons().size(); }

// Each test starts from an empty notification area. The program of the test
// before may have been killed with its icon shown; Wine drops such an icon on
// its own, shortly after.
bool WineTrayStartsEmpty() {
  return e2e::WaitFor([] { return WineTrayIconCount() == 0; });
}

// A 32-bit picture of the given size, painted by `paint`, read back pixel by
// pixel (0x00RRGGBB).
class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  std::vector<COLORREF> Pixels() const {
    ::GdiFlush();
    const auto* first = static_cast<const DWORD*>(bits_);
    std::vector<COLORREF> out(first, first + static_cast<std::ptrdiff_t>(width_) * height_);
    for (auto& p : out) p &= 0x00FFFFFF;
    return out;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

// The program's icon as its executable carries it, at the size a window's icon
// has; the window's own icon is loaded from the same resource.
class ProgramIcon {
 public:
  ProgramIcon()
      : module_(::LoadLibraryExW((e2e::BinDir() + L"\\StatusCycler.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)),
        icon_(module_ == nullptr
                  ? nullptr
                  : static_cast<HICON>(::LoadImageW(module_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0))) {
  }
  ProgramIcon(const ProgramIcon&) = delete;
  ProgramIcon& operator=(const ProgramIcon&) = delete;
  ~ProgramIcon() {
    if (icon_ != nullptr) ::DestroyIcon(icon_);
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  HICON get() const { return icon_; }

 private:
  HMODULE module_;
  HICON icon_;
};

// What Wine's notification area shows in the icon's place, and what it would
// show for the program's own icon: that icon drawn at the small-icon size in
// the middle of the same area, over the same background.
void ShownAndExpected(HWND tray_icon, std::vector<COLORREF>& shown, std::vector<COLORREF>& expected) {
  RECT rc{};
  ::GetClientRect(tray_icon, &rc);
  POINT origin{0, 0};
  ::ClientToScreen(tray_icon, &origin);
  const int w = rc.right;
  const int h = rc.bottom;
  // Another process's window is read where it is drawn: on the screen.
  Picture screen_copy(w, h);
  const HDC screen = ::GetDC(nullptr);
  ::BitBlt(screen_copy.dc(), 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  shown = screen_copy.Pixels();

  ProgramIcon icon;
  Picture drawn(w, h);
  const HBRUSH background = ::CreateSolidBrush(shown.empty() ? RGB(255, 255, 255) : shown.front());
  ::FillRect(drawn.dc(), &rc, background);
  ::DeleteObject(background);
  const int cx = ::GetSystemMetrics(SM_CXSMICON);
  const int cy = ::GetSystemMetrics(SM_CYSMICON);
  if (icon.get() != nullptr) {
    ::DrawIconEx(drawn.dc(), (w - cx) / 2, (h - cy) / 2, icon.get(), cx, cy, 0, nullptr, DI_DEFAULTSIZE | DI_NORMAL);
  }
  expected = drawn.Pixels();
}

NOTIFYICONDATAW Record(HWND owner, UINT id) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
  nid.hWnd = owner;
  nid.uID = id;
  return nid;
}

// Whether the shell holds that icon: a modification that changes nothing
// succeeds only for an icon it has.
bool ShellHasIcon(HWND owner, UINT id) {
  NOTIFYICONDATAW nid = Record(owner, id);
  return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

// What a restarted shell does to every icon it had.
bool ShellForgetsIcon(HWND owner, UINT id) {
  NOTIFYICONDATAW nid = Record(owner, id);
  return ::Shell_NotifyIconW(NIM_DELETE, &nid) != FALSE;
}

// What a new shell broadcasts once its taskbar exists.
void BroadcastTaskbarCreated() {
  const UINT taskbar_created = ::RegisterWindowMessageW(L"TaskbarCreated");
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, taskbar_created, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
}

bool Hidden(const e2e::App& app) { return !::IsWindowVisible(app.main()) && ::IsIconic(app.main()); }

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool RestoredInFront(const e2e::App& app) {
  const HWND focus = FocusOf(app.main());
  return ::IsWindowVisible(app.main()) && !::IsIconic(app.main()) && ::GetForegroundWindow() == app.main() &&
         focus != nullptr && (focus == app.main() || ::IsChild(app.main(), focus));
}

// A plain top-level window of the test's own, brought to the foreground.
class OtherWindow {
 public:
  OtherWindow()
      : hwnd_(::CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)) {}
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  ~OtherWindow() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  }
  bool InFront() const {
    ::SetForegroundWindow(hwnd_);
    return hwnd_ != nullptr && e2e::WaitFor([&] { return ::GetForegroundWindow() == hwnd_; });
  }

 private:
  HWND hwnd_;
};

// Posts the icon's callback as the shell does, and returns once the program
// has handled it: a later posted message to the same thread is handled after
// it, and this one leaves a mark that can be read (a selection in txt1).
void PostCallbackAndDrain(const e2e::App& app, UINT mouse_message) {
  static int round = 0;
  ASSERT_TRUE(::PostMessageW(app.main(), kCallback, kIconId, static_cast<LPARAM>(mouse_message)));
  const HWND box = app.Control(ControlId::txt1);
  const int start = ++round % 3;
  ASSERT_TRUE(::PostMessageW(box, EM_SETSEL, static_cast<WPARAM>(start), start + 1));
  ASSERT_TRUE(e2e::WaitFor([&] {
    DWORD_PTR sel = 0;
    ::SendMessageTimeoutW(box, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &sel);
    return LOWORD(sel) == start && HIWORD(sel) == start + 1;
  })) << "the program did not get to the message posted after "
      << mouse_message;
}

void DoubleClickAt(POINT at) {
  const int sw = ::GetSystemMetrics(SM_CXSCREEN) - 1;
  const int sh = ::GetSystemMetrics(SM_CYSCREEN) - 1;
  INPUT in[5] = {};
  for (auto& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = at.x * 65535 / sw;
    i.mi.dy = at.y * 65535 / sh;
  }
  // Every event carries the position, as in e2e::App::Click.
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  in[2].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  in[3].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  in[4].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(5, in, sizeof(INPUT));
}

// Stands in for the shell's notification area and keeps every request sent
// to it. The payload is Wine 8's own: dwData is the NIM_ message, then the
// window as a 32-bit value, the id, the flags, the callback message and the
// tip as 128 UTF-16 characters.
class ShellStandIn {
 public:
  struct Request {
    DWORD message;
    std::uint32_t hwnd;
    std::uint32_t id;
    std::uint32_t flags;
    std::uint32_t callback;
    std::wstring tip;
  };

  ShellStandIn() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ShellStandIn::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, this);
  }
  ShellStandIn(const ShellStandIn&) = delete;
  ShellStandIn& operator=(const ShellStandIn&) = delete;
  ~ShellStandIn() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
    ::UnregisterClassW(L"Shell_TrayWnd", ::GetModuleHandleW(nullptr));
  }

  // The shell's icon calls find this window rather than Wine's own.
  bool InFront() const { return hwnd_ != nullptr && ::FindWindowW(L"Shell_TrayWnd", nullptr) == hwnd_; }
  const std::vector<Request>& requests() const { return requests_; }
  std::size_t Count(DWORD message) const {
    std::size_t n = 0;
    for (const auto& r : requests_) n += r.message == message ? 1 : 0;
    return n;
  }
  bool malformed() const { return malformed_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<ShellStandIn*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_COPYDATA && self != nullptr) {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      constexpr std::size_t kTipAt = 16;
      constexpr std::size_t kTipChars = 128;
      if (cds->cbData < kTipAt + kTipChars * sizeof(wchar_t)) {
        self->malformed_ = true;
        return FALSE;
      }
      const auto* bytes = static_cast<const unsigned char*>(cds->lpData);
      auto field = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes + at, sizeof v);
        return v;
      };
      std::wstring tip(kTipChars, L'\0');
      std::memcpy(tip.data(), bytes + kTipAt, kTipChars * sizeof(wchar_t));
      if (const auto end = tip.find(L'\0'); end != std::wstring::npos) tip.resize(end);
      self->requests_.push_back(Request{static_cast<DWORD>(cds->dwData), field(0), field(4), field(8), field(12), tip});
      return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  HWND hwnd_ = nullptr;
  std::vector<Request> requests_;
  bool malformed_ = false;
};

std::string Describe(const std::vector<ShellStandIn::Request>& requests) {
  std::string out;
  for (const auto& r : requests) {
    out += "[NIM " + std::to_string(r.message) + " hwnd " + std::to_string(r.hwnd) + " id " + std::to_string(r.id) +
           " flags " + std::to_string(r.flags) + "]";
  }
  return out;
}

// A kernel handle that closes itself.
class Owned {
 public:
  explicit Owned(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() {
    if (h_ != nullptr) ::CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// The debugger that Wine starts for a process that crashed, if it has come.
DWORD DebuggerStartedBy(DWORD pid) {
  const Owned snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == nullptr) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == pid && ::lstrcmpiW(entry.szExeFile, L"winedbg.exe") == 0) {
      return entry.th32ProcessID;
    }
  }
  return 0;
}

std::uint32_t Handle32(HWND hwnd) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(hwnd)); }

TEST(TrayE2E, MinimizeButtonHidesAndMinimisesWindowAndPutsIconOneInWineTray) {
  ASSERT_TRUE(WineTrayStartsEmpty()) << "icons left over: " << WineTrayIconCount();
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  EXPECT_FALSE(ShellHasIcon(app.main(), kIconId)) << "an icon before the first Minimize";

  app.Click(ControlId::Command4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app); }))
      << "visible " << ::IsWindowVisible(app.main()) << ", iconic " << ::IsIconic(app.main());
  EXPECT_TRUE(ShellHasIcon(app.main(), kIconId));
  EXPECT_FALSE(ShellHasIcon(app.main(), 0));
  EXPECT_FALSE(ShellHasIcon(app.main(), 2));
  ASSERT_NE(WineTray(), nullptr) << "Wine shows no notification area of its own";
  EXPECT_TRUE(::IsWindowVisible(WineTray()));
  ASSERT_EQ(WineTrayIconCount(), 1u);

  // The picture in the notification area is the program's own icon.
  std::vector<COLORREF> shown;
  std::vector<COLORREF> expected;
  ShownAndExpected(WineTrayIcons().front(), shown, expected);
  ASSERT_FALSE(shown.empty());
  EXPECT_GT(std::count_if(shown.begin(), shown.end(), [&](COLORREF c) { return c != shown.front(); }), 40)
      << "the icon's place is blank";
  ASSERT_EQ(shown.size(), expected.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < shown.size(); ++i) differing += shown[i] != expected[i] ? 1 : 0;
  EXPECT_EQ(differing, 0u) << "of " << shown.size() << " pixels: another picture than the program's icon";
}

TEST(TrayE2E, OnlyTheLeftDoubleClickCallbackBringsTheWindowBackInFrontWithFocus) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app); }));

  for (const UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}) {
    PostCallbackAndDrain(app, message);
    EXPECT_TRUE(Hidden(app)) << message << " brought the window back";
  }

  // Some other program is in front when the user reaches for the icon.
  OtherWindow other;
  ASSERT_TRUE(other.InFront());

  PostCallbackAndDrain(app, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(e2e::WaitFor([&] { return RestoredInFront(app); }));
  EXPECT_TRUE(::IsWindowVisible(app.main()));
  EXPECT_FALSE(::IsIconic(app.main()));
  EXPECT_EQ(::GetForegroundWindow(), app.main());
  const HWND focus = FocusOf(app.main());
  EXPECT_TRUE(focus != nullptr && (focus == app.main() || ::IsChild(app.main(), focus)));
  // The icon stays while the window is shown.
  EXPECT_TRUE(ShellHasIcon(app.main(), kIconId));
}

TEST(TrayE2E, RealDoubleClickOnTheIconInWineTrayRestoresTheWindow) {
  ASSERT_TRUE(WineTrayStartsEmpty()) << "icons left over: " << WineTrayIconCount();
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app) && WineTrayIconCount() == 1u; }));
  const HWND icon = WineTrayIcons().back();
  RECT rc{};
  ASSERT_TRUE(::GetWindowRect(icon, &rc));
  DoubleClickAt(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
  EXPECT_TRUE(e2e::WaitFor([&] { return RestoredInFront(app); }))
      << "visible " << ::IsWindowVisible(app.main()) << ", iconic " << ::IsIconic(app.main()) << ", in front "
      << (::GetForegroundWindow() == app.main());
}

TEST(TrayE2E, ExitAndCloseBoxAskTheShellToDeleteIconOneOfTheWindow) {
  enum class Way { kExitButton, kCloseBox };
  for (const Way way : {Way::kExitButton, Way::kCloseBox}) {
    const char* name = way == Way::kExitButton ? "Exit" : "close box";
    ShellStandIn shell;
    ASSERT_TRUE(shell.InFront()) << "Wine's own shell window would get the requests";
    auto app = e2e::App::Launch();
    ASSERT_NE(app.main(), nullptr) << name;

    // Minimize, restore, Minimize, restore: two adds for the same icon.
    for (int round = 1; round <= 2; ++round) {
      app.Click(ControlId::Command4);
      ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app); }))
          << name << " round " << round << ": exit code " << app.process().WaitExit(0ms) << ", requests "
          << Describe(shell.requests()) << ", adds " << shell.Count(NIM_ADD) << ", visible "
          << ::IsWindowVisible(app.main()) << ", iconic " << ::IsIconic(app.main()) << ", in front "
          << (::GetForegroundWindow() == app.main());
      ASSERT_EQ(shell.Count(NIM_ADD), static_cast<std::size_t>(round)) << name;
      PostCallbackAndDrain(app, WM_LBUTTONDBLCLK);
      ASSERT_TRUE(e2e::WaitFor([&] { return RestoredInFront(app); })) << name;
    }
    for (const auto& r : shell.requests()) {
      EXPECT_EQ(r.message, static_cast<DWORD>(NIM_ADD)) << name;
      EXPECT_EQ(r.hwnd, Handle32(app.main())) << name;
      EXPECT_EQ(r.id, kIconId) << name;
      EXPECT_EQ(r.flags, static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP)) << name;
      EXPECT_EQ(r.callback, kCallback) << name;
      EXPECT_EQ(r.tip, L"Made by Quorbelline!") << name;
    }

    const HWND main = app.main();
    const std::size_t before = shell.requests().size();
    if (way == Way::kExitButton) {
      app.Click(ControlId::Command3);
    } else {
      ::PostMessageW(main, WM_CLOSE, 0, 0);
    }
    // The stand-in answers on this thread, so the wait pumps messages.
    long code = -1;
    ASSERT_TRUE(e2e::WaitFor([&] {
      code = app.process().WaitExit(0ms);
      return code != -1;
    })) << name;
    EXPECT_EQ(code, 0) << name;
    ASSERT_GT(shell.requests().size(), before) << name << ": nothing asked of the shell on the way out";
    EXPECT_EQ(shell.Count(NIM_ADD), 2u) << name;
    EXPECT_EQ(shell.Count(NIM_MODIFY), 0u) << name;
    for (std::size_t i = before; i < shell.requests().size(); ++i) {
      const auto& r = shell.requests()[i];
      EXPECT_EQ(r.message, static_cast<DWORD>(NIM_DELETE)) << name;
      EXPECT_EQ(r.hwnd, Handle32(main)) << name;
      EXPECT_EQ(r.id, kIconId) << name;
    }
    EXPECT_FALSE(shell.malformed()) << name;
  }
}

TEST(TrayE2E, CrashWhileHiddenAsksTheShellToDeleteTheIcon) {
  ShellStandIn shell;
  ASSERT_TRUE(shell.InFront()) << "Wine's own shell window would get the requests";
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const HWND main = app.main();
  app.Click(ControlId::Command4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app); }));
  ASSERT_EQ(shell.Count(NIM_ADD), 1u);

  // A thread that starts at address 0 faults at once, and nothing in the
  // program handles that: the process is ending on an unhandled exception.
  const Owned thread(::CreateRemoteThread(app.process().handle(), nullptr, 0, nullptr, nullptr, 0, nullptr));
  ASSERT_NE(thread.get(), nullptr);
  EXPECT_TRUE(e2e::WaitFor([&] { return shell.Count(NIM_DELETE) > 0; })) << Describe(shell.requests());
  for (const auto& r : shell.requests()) {
    if (r.message != NIM_DELETE) continue;
    EXPECT_EQ(r.hwnd, Handle32(main));
    EXPECT_EQ(r.id, kIconId);
  }

  // Wine's debugger comes next and shows its crash dialog; it goes with the
  // program, or it would keep the test's output open.
  DWORD debugger = 0;
  e2e::WaitFor([&] {
    debugger = DebuggerStartedBy(app.process().pid());
    return debugger != 0 || !app.process().running();
  });
  if (debugger != 0) {
    const Owned process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, debugger));
    if (process.get() != nullptr) {
      ::TerminateProcess(process.get(), 1);
      ::WaitForSingleObject(process.get(), 5000);
    }
  }
}

TEST(TrayE2E, TaskbarCreatedAddsTheIconAgainOnlyWhileTheWindowIsHidden) {
  ASSERT_TRUE(WineTrayStartsEmpty()) << "icons left over: " << WineTrayIconCount();
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);

  // Shown: a new shell gets no icon from a window that never hid.
  BroadcastTaskbarCreated();
  EXPECT_FALSE(ShellHasIcon(app.main(), kIconId));

  app.Click(ControlId::Command4);
  ASSERT_TRUE(e2e::WaitFor([&] { return Hidden(app); }));
  ASSERT_TRUE(ShellHasIcon(app.main(), kIconId));
  ASSERT_TRUE(ShellForgetsIcon(app.main(), kIconId));
  ASSERT_FALSE(ShellHasIcon(app.main(), kIconId));
  ASSERT_EQ(WineTrayIconCount(), 0u);

  // Hidden: the icon is the only way back, so it comes back with the shell.
  BroadcastTaskbarCreated();
  EXPECT_TRUE(ShellHasIcon(app.main(), kIconId));
  EXPECT_EQ(WineTrayIconCount(), 1u);
  EXPECT_TRUE(Hidden(app));

  // And it works: a double-click on it restores the window.
  ASSERT_EQ(WineTrayIconCount(), 1u);
  const HWND icon = WineTrayIcons().back();
  RECT rc{};
  ASSERT_TRUE(::GetWindowRect(icon, &rc));
  DoubleClickAt(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
  ASSERT_TRUE(e2e::WaitFor([&] { return RestoredInFront(app); }));

  // Shown again: the shell that forgets the icon is not given it back.
  ASSERT_TRUE(ShellForgetsIcon(app.main(), kIconId));
  BroadcastTaskbarCreated();
  EXPECT_FALSE(ShellHasIcon(app.main(), kIconId));
}

}  // namespace
