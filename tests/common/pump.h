#pragma once
// Waiting on a window without freezing it. The limit only keeps a broken
// program from hanging the suite; tests assert on what happened.
#include <windows.h>

#include <chrono>
#include <functional>

namespace testwin {

inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (done()) return true;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (std::chrono::steady_clock::now() >= until) return done();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Pumps for a while (at least once), for what has no condition to wait on.
inline void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

// The focus and the capture on the thread of `window`, of any process.
inline GUITHREADINFO InputOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
  return info;
}
inline HWND FocusOf(HWND window) { return InputOf(window).hwndFocus; }

inline RECT ScreenRect(HWND window) {
  RECT rc{};
  ::GetWindowRect(window, &rc);
  return rc;
}

}  // namespace testwin
