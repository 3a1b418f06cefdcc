// StatusCycler.exe: one window, one UI thread.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/tray_icon.h"
#include "app/win32/main_window.h"
#include "app/win32/one_copy.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_dll.h"
#include "platform/win32/win32_os.h"

namespace {

HWND g_main_window = nullptr;

// An error that ends the program must not leave a dead icon in the
// notification area either: not a crash, nor an exception nobody caught.
void RemoveIcon() {
  if (g_main_window == nullptr) return;
  platform::win32::Win32Shell shell;
  app::TrayIcon::Remove(shell, platform::win32::FromHwnd(g_main_window));
}

LONG WINAPI RemoveIconOnCrash(EXCEPTION_POINTERS*) {
  RemoveIcon();
  return EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void RemoveIconOnTerminate() {
  RemoveIcon();
  std::abort();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // Before anything can load a DLL: the program may have been started from a
  // folder others write to, and a DLL of theirs there must never run in it.
  platform::win32::LoadDllsFromSystem32Only();
  ::SetUnhandledExceptionFilter(RemoveIconOnCrash);
  std::set_terminate(RemoveIconOnTerminate);
  // A second start brings the first copy's window back and ends.
  app::win32::OneCopy copy;
  if (!copy.first() && copy.BringBackFirst()) return 0;
  int exit_code = 1;
  // The window object outlives its message loop: OLE, started for the
  // browser, ends in its destructor, only after the loop is over.
  {
    app::win32::MainWindow window(instance);
    if (window.Create(show_command)) {
      copy.Announce(window.hwnd());
      g_main_window = window.hwnd();
      exit_code = window.RunMessageLoop();
      g_main_window = nullptr;
    }
  }
  return exit_code;
}
