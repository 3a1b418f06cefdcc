#pragma once
// The notification area as Shell_NotifyIcon finds it: the "Shell_TrayWnd"
// window it sends each request to as WM_COPYDATA, here on the test's thread
// (so waits pump messages), each request answered by `answer` with its NIM_
// message and the record's 32-bit fields (the window, then the id). One at a time.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/win32/handles.h"

namespace testwin {

class ShellStandIn {
 public:
  using Answer = std::function<BOOL(DWORD message, const std::uint32_t* fields)>;
  explicit ShellStandIn(Answer answer) {
    answer_ = std::move(answer);
    const WNDCLASSW cls{0, &Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
    ::RegisterClassW(&cls);
    window_.reset(
        ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  }
  HWND hwnd() const { return window_.get(); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    if (msg != WM_COPYDATA || data->cbData < 8) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    return answer_(static_cast<DWORD>(data->dwData), static_cast<const std::uint32_t*>(data->lpData));
  }
  static inline Answer answer_;
  platform::win32::Handle<HWND, &::DestroyWindow> window_;
};

}  // namespace testwin
