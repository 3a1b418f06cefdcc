#include "tests/e2e/harness.h"

#include <thread>
#include <vector>

namespace e2e {

std::wstring BinDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::wstring WindowText(HWND hwnd) {
  // WM_GETTEXT with a bound: a hung target must fail the test, not hang it.
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &got);
  text.resize(got);
  return text;
}

Process::Process(Process&& other) noexcept : info_(other.info_) { other.info_ = {}; }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    info_ = other.info_;
    other.info_ = {};
  }
  return *this;
}

Process::~Process() { Kill(); }

Process Process::Start(const std::wstring& exe, const std::wstring& args) {
  Process p;
  std::wstring command = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info_)) {
    p.info_ = {};
  }
  return p;
}

bool Process::running() const {
  return info_.hProcess != nullptr && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

long Process::WaitExit(std::chrono::milliseconds limit) {
  if (info_.hProcess == nullptr) return -1;
  if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

void Process::Kill() {
  if (info_.hProcess == nullptr) return;
  if (running()) {
    ::TerminateProcess(info_.hProcess, 99);
    ::WaitForSingleObject(info_.hProcess, 5000);
  }
  ::CloseHandle(info_.hThread);
  ::CloseHandle(info_.hProcess);
  info_ = {};
}

namespace {
struct Search {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};
BOOL CALLBACK Visit(HWND hwnd, LPARAM lparam) {
  auto* s = reinterpret_cast<Search*>(lparam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[128] = {};
  ::GetClassNameW(hwnd, cls, 128);
  if (pid == s->pid && ::lstrcmpiW(cls, s->cls) == 0) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindProcessWindow(DWORD pid, const wchar_t* class_name) {
  Search s{pid, class_name, nullptr};
  ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

App App::Launch() {
  App app;
  app.process_ = Process::Start(BinDir() + L"\\StatusCycler.exe");
  if (!app.process_.running()) return app;
  WaitFor(
      [&] {
        app.main_ = FindProcessWindow(app.process_.pid(), L"StatusCyclerMain");
        return app.main_ != nullptr && ::IsWindowVisible(app.main_) &&
               WindowText(app.Control(app::ControlId::Label1)).rfind(L"Hello: ", 0) == 0;
      },
      std::chrono::seconds(30));
  return app;
}

HWND App::Control(app::ControlId id) const { return ::GetDlgItem(main_, 100 + static_cast<int>(id)); }

void App::Activate() const {
  ::SetForegroundWindow(main_);
  WaitFor([&] { return ::GetForegroundWindow() == main_; }, std::chrono::seconds(3));
}

void App::Sync() const {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
}

void App::Press(app::ControlId id, app::ControlId release_over) const {
  Activate();
  auto centre = [&](app::ControlId of) {
    RECT rc{};
    ::GetWindowRect(Control(of), &rc);
    const int sw = ::GetSystemMetrics(SM_CXSCREEN) - 1;
    const int sh = ::GetSystemMetrics(SM_CYSCREEN) - 1;
    return POINT{(rc.left + rc.right) / 2 * 65535 / sw, (rc.top + rc.bottom) / 2 * 65535 / sh};
  };
  const POINT down = centre(id);
  const POINT up = centre(release_over);
  INPUT in[4] = {};
  for (auto& i : in) i.type = INPUT_MOUSE;
  // Press and release carry the position too: a pointer motion that X still
  // had queued for a window under the old position (the previous test's
  // click) may be handled between them, and would move the press there.
  const DWORD flags[4] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_MOVE,
                          MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP};
  for (int k = 0; k < 4; ++k) {
    const POINT at = k < 2 ? down : up;
    in[k].mi.dx = at.x;
    in[k].mi.dy = at.y;
    in[k].mi.dwFlags = flags[k] | MOUSEEVENTF_ABSOLUTE;
  }
  ::SendInput(4, in, sizeof(INPUT));
  Sync();
}

void App::Type(const std::wstring& text) const {
  Activate();
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT up = down;
    up.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(down);
    inputs.push_back(up);
  }
  if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sync();
}

void App::Key(WORD vk, bool alt, bool ctrl, bool shift) const {
  Activate();
  std::vector<INPUT> inputs;
  auto press = [&](WORD key, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(i);
  };
  if (alt) press(VK_MENU, false);
  if (ctrl) press(VK_CONTROL, false);
  if (shift) press(VK_SHIFT, false);
  press(vk, false);
  press(vk, true);
  if (shift) press(VK_SHIFT, true);
  if (ctrl) press(VK_CONTROL, true);
  if (alt) press(VK_MENU, true);
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sync();
}

}  // namespace e2e
