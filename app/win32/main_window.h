#pragma once
// The real window: makes itself and its controls, turns each message into
// one event for the handlers, paints what the controls do not, and lays
// itself out again when its DPI changes.
#include <windows.h>

#include <deque>
#include <string>

#include "app/dispatch.h"
#include "app/frmStat.h"
#include "app/win32/styles.h"
#include "app/win32/win_controls.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_os.h"

namespace app::win32 {

inline constexpr UINT kShowErrorMessage = WM_APP + 1;

class MainWindow final {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its controls, runs Form_Load and shows the window
  // with txt1 focused. False if the window could not be created.
  bool Create(int show_command);
  // Pumps messages until the window is gone; returns the exit code.
  int RunMessageLoop();
  // The keyboard routing a message loop must do for this window.
  bool PreTranslateMessage(MSG* msg);

  HWND hwnd() const { return hwnd_; }
  WinControls& Controls() { return controls_; }
  // The window of a control of the table; null for timers and the socket.
  HWND ControlWindow(app::ControlId id) const { return controls_.Window(id); }
  // Ends the program as Exit does.
  void End() noexcept { controls_.Form().End(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  // Notes the messages that carry a pointer as they are taken from the queue,
  // by any message loop on the thread: those were posted.
  static LRESULT CALLBACK NoteRetrieved(int code, WPARAM removed, LPARAM msg);
  LRESULT Handle(UINT msg, WPARAM wparam, LPARAM lparam);
  // Whether a message that carries a pointer comes as the system sends it:
  // sent, from this thread. Posted, or sent from another thread, anyone may
  // have sent it with any value.
  bool FromTheSystem(UINT msg, WPARAM wparam, LPARAM lparam) const;
  // Hands an event to its handler, unless the program is ending.
  void Raise(const app::Event& event);
  // The window sized so that its client area is the table's at its DPI, at
  // `place` if given.
  void FitClientArea(const RECT* place);
  void KeepClientArea();
  // Moves the window onto a monitor of another DPI: the controls laid out
  // again from the table in fonts made for it.
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnCommand(int id, int code);
  void OnTimer(UINT_PTR id);
  void OnMouseMove(WPARAM wparam, LPARAM lparam);
  bool OnActivate(WPARAM wparam);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnDestroy();
  void ShowError(const std::string& message);
  void OnShowError();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  bool keeping_client_area_ = false;
  UINT taskbar_created_ = 0;
  UINT started_again_ = 0;
  bool ending_ = false;
  HWND saved_focus_ = nullptr;
  platform::win32::Bitmap picture_;
  platform::win32::Handle<HHOOK, &::UnhookWindowsHookEx> retrieval_hook_;

  WinControls controls_;
  platform::win32::Win32Services services_{controls_.Form()};
  frmStat form_{controls_, services_.os};
  app::Dispatch dispatch_{form_, [this](const std::string& message) { ShowError(message); }};
  std::deque<std::wstring> pending_errors_;
};

}  // namespace app::win32
