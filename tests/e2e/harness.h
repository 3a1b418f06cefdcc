#pragma once
// Drives the real StatusCycler.exe as a user would, clicking and typing through SendInput.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "platform/win32/handles.h"
#include "tests/common/pump.h"
#include "tests/common/text.h"

namespace e2e {

using Handle = platform::win32::Handle<HANDLE, &::CloseHandle>;

// A test that may publish changes the messenger's settings (HKCU\Software\Yahoo), so it runs only where
// scripts/wine-run.sh or a test account says the profile is a throwaway; it starts without them and puts them back
// however it ends (if killed, the next such test does). One line at the top of a test:
#define E2E_MAY_PUBLISH()                                                                                         \
  if (wchar_t on[2] = {}; ::GetEnvironmentVariableW(L"STATUSCYCLER_THROWAWAY_PROFILE", on, 2) != 1 || *on != '1') \
    GTEST_SKIP() << "it would change this account's messenger settings; to run it, set "                          \
                    "STATUSCYCLER_THROWAWAY_PROFILE=1 in an account made for the tests";                          \
  const e2e::MessengerSettingsKept messenger_settings_kept

// The settings are kept under another name, beside a mark that says there is something to put back.
struct MessengerSettingsKept {
  MessengerSettingsKept() {
    PutBack();
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\StatusCyclerE2E", nullptr, REG_SZ, L"", sizeof(wchar_t));
    ::RegRenameKey(HKEY_CURRENT_USER, L"Software\\Yahoo", L"StatusCyclerE2E.Yahoo");
  }
  ~MessengerSettingsKept() { PutBack(); }
  static void PutBack() {
    if (::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\StatusCyclerE2E") != ERROR_SUCCESS) return;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Yahoo");
    ::RegRenameKey(HKEY_CURRENT_USER, L"Software\\StatusCyclerE2E.Yahoo", L"Yahoo");
  }
};

// Bounded: a hung program fails the test instead of hanging it.
inline std::wstring WindowText(HWND hwnd) {
  wchar_t text[1024] = {};
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

inline HWND FindProcessWindow(DWORD pid, const wchar_t* class_name) {
  for (HWND window = nullptr; (window = ::FindWindowExW(nullptr, window, class_name, nullptr)) != nullptr;) {
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(window, &owner) && owner == pid) return window;
  }
  return nullptr;
}

// In the middle of the window, each event with the position: a motion queued for an old one may come between.
inline void Mouse(HWND over, std::initializer_list<DWORD> buttons) {
  const RECT rc = testwin::ScreenRect(over);
  const LONG x = (rc.left + rc.right) / 2 * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG y = (rc.top + rc.bottom) / 2 * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  std::vector<INPUT> in;
  for (const DWORD button : buttons)
    in.push_back({INPUT_MOUSE, {.mi = {x, y, 0, button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0}}});
  ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// A program in a job of its own, which ends with it all it started (Wine's
// crash debugger, say), also when a killed test runs no destructor.
struct Process {
  static Process Start(const std::wstring& exe, const std::wstring& args = L"") {
    Process p;
    std::wstring command = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Suspended until it is in the job, so that it starts nothing outside.
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                         &pi)) {
      const Handle thread(pi.hThread);
      p.handle.reset(pi.hProcess);
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      ::SetInformationJobObject(p.job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
      ::AssignProcessToJobObject(p.job.get(), pi.hProcess);
      ::ResumeThread(pi.hThread);
    }
    return p;
  }
  // The exit code once it has ended within the limit, -1 until then.
  long WaitExit(std::chrono::milliseconds limit) const {
    DWORD code = 0;
    const bool ended = ::WaitForSingleObject(handle.get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
    return ended && ::GetExitCodeProcess(handle.get(), &code) ? static_cast<long>(code) : -1;
  }
  DWORD pid() const { return ::GetProcessId(handle.get()); }

  Handle job{::CreateJobObjectW(nullptr, nullptr)};
  Handle handle;
};

class App {
 public:
  // Ready once the window shows the welcome line, in front; launch_failure() says what it lacked.
  static App Launch(const std::wstring& exe = L"StatusCycler.exe") {
    App app;
    app.process_ = Process::Start(exe);
    constexpr auto limit = std::chrono::seconds(30);
    if (!testwin::PumpUntil([&] { return (app.launch_failure_ = app.Lacking()).empty(); }, limit)) {
      app.launch_failure_ = "not ready after " + std::to_string(limit.count()) + " s: " + app.launch_failure_;
    }
    return app;
  }
  const std::string& launch_failure() const { return launch_failure_; }

  HWND main() const { return main_; }
  HWND Control(app::ControlId id) const { return ::GetDlgItem(main_, 100 + static_cast<int>(id)); }
  std::wstring Text(app::ControlId id) const { return WindowText(Control(id)); }
  std::wstring Caption() const { return WindowText(main_); }
  Process& process() { return process_; }

  void Click(app::ControlId id) const { Press(id, id); }
  void Press(app::ControlId id, app::ControlId release_over) const {
    Mouse(Control(id), {0, MOUSEEVENTF_LEFTDOWN});
    Mouse(Control(release_over), {0, MOUSEEVENTF_LEFTUP});
    // Handled before this returns, the release too: the capture goes as the release's handling begins, and the
    // window's thread answers a sent message only once it is back from it.
    testwin::PumpUntil([&] {
      const GUITHREADINFO input = testwin::InputOf(main_);
      return (input.hwndFocus == Control(id) && input.hwndCapture == nullptr) || !::IsWindowVisible(main_);
    });
    ::SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  }
  void Type(const std::wstring& text) const {
    std::vector<INPUT> in;
    for (const wchar_t c : text) in.insert(in.end(), {Keyboard(0, c, 0), Keyboard(0, c, KEYEVENTF_KEYUP)});
    Send(in);
  }
  // `vk` pressed while the `held` keys are down: {VK_MENU} for Alt.
  void Key(WORD vk, std::initializer_list<WORD> held = {}) const {
    std::vector<INPUT> in;
    for (const WORD key : held) in.push_back(Keyboard(key, 0, 0));
    in.insert(in.end(), {Keyboard(vk, 0, 0), Keyboard(vk, 0, KEYEVENTF_KEYUP)});
    for (const WORD key : held) in.push_back(Keyboard(key, 0, KEYEVENTF_KEYUP));
    Send(in);
  }

 private:
  static INPUT Keyboard(WORD vk, wchar_t c, DWORD flags) {
    return {INPUT_KEYBOARD, {.ki = {vk, c, flags | (vk == 0 ? KEYEVENTF_UNICODE : 0), 0, 0}}};
  }
  // Queued behind earlier input; what the keys did is for the test to wait for.
  static void Send(std::vector<INPUT>& in) { ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)); }

  // What the program still lacks to be ready; nothing once it is.
  std::string Lacking() {
    if (!process_.handle) return "StatusCycler.exe did not start";
    if (const long code = process_.WaitExit(std::chrono::milliseconds(0)); code != -1)
      return "StatusCycler.exe ended with exit code " + std::to_string(code);
    main_ = FindProcessWindow(process_.pid(), L"StatusCyclerMain");
    if (main_ == nullptr) return "no window of class StatusCyclerMain";
    if (!::IsWindowVisible(main_)) return "the window is not visible";
    if (const std::wstring label = Text(app::ControlId::Label1); !label.starts_with(L"Hello: "))
      return "Label1 shows \"" + testtext::Show(label) + "\", not the welcome line";
    if (!::SetForegroundWindow(main_) || ::GetForegroundWindow() != main_)
      return "the window cannot be brought in front";
    return {};
  }

  Process process_;
  HWND main_ = nullptr;
  std::string launch_failure_;
};

}  // namespace e2e
