#pragma once
// Drives the real StatusCycler.exe as a user would: starts it, finds its
// window and controls, clicks and types through SendInput, reads what the
// controls show. Every test starts its own copy of the program.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "app/inventory.h"

namespace e2e {

// The folder the test executable lives in; the program and the stand-in
// messenger are built beside it.
std::wstring BinDir();

// Polls until `done` holds or the time is up; pumps this thread's messages.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

std::wstring WindowText(HWND hwnd);

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();  // kills the process if it still runs

  static Process Start(const std::wstring& exe, const std::wstring& args = L"");
  bool running() const;
  // Exit code once it has ended within the limit; -1 otherwise.
  long WaitExit(std::chrono::milliseconds limit);
  void Kill();
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }

 private:
  PROCESS_INFORMATION info_{};
};

// The top-level window of that class owned by that process, or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* class_name);

class App {
 public:
  // Starts StatusCycler.exe and waits until its window shows the welcome line.
  static App Launch();

  HWND main() const { return main_; }
  HWND Control(app::ControlId id) const;
  std::wstring Text(app::ControlId id) const { return WindowText(Control(id)); }
  std::wstring Caption() const { return WindowText(main_); }

  // Brings the window to the foreground (as the user's click on it would).
  void Activate() const;
  // A real left click in the middle of the control.
  void Click(app::ControlId id) const { Press(id, id); }
  // A real left press in the middle of `id`, released over `release_over`:
  // on a button, sliding off before the release gives it the focus and no click.
  void Press(app::ControlId id, app::ControlId release_over) const;
  // Real keystrokes: each character typed as a Unicode key press.
  void Type(const std::wstring& text) const;
  // A virtual key pressed and released, with optional modifiers held.
  void Key(WORD vk, bool alt = false, bool ctrl = false, bool shift = false) const;
  // Waits until the program has handled everything sent so far.
  void Sync() const;

  Process& process() { return process_; }

 private:
  Process process_;
  HWND main_ = nullptr;
};

}  // namespace e2e
