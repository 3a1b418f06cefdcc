#include "app/win32/dpi.h"

#include "platform/win32/handles.h"
#include "platform/win32/system_dll.h"

namespace app::win32 {
namespace {

// Looked up once: user32 is loaded in every GUI process, and a function it
// lacks stays null.
template <typename Fn>
Fn User32(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() { return ::GetDeviceCaps(platform::win32::GetWindowDc(nullptr).get(), LOGPIXELSX); }

// Windows 8.1 and the first Windows 10 know each monitor's DPI, not yet a
// window's; a per-monitor aware window is drawn at its monitor's. 0 where
// the system cannot tell (Windows 7 has no shcore).
int MonitorDpi(HWND window) {
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI, what the window is drawn at
  using GetDpiForMonitorFn = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);
  static const auto get_dpi_for_monitor =
      platform::win32::SystemProc<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  if (get_dpi_for_monitor == nullptr) return 0;
  UINT x = 0;
  UINT y = 0;
  if (FAILED(get_dpi_for_monitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y))) {
    return 0;
  }
  return static_cast<int>(x);
}

}  // namespace

int DpiOf(HWND window) {
  static const auto get_dpi_for_window = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return static_cast<int>(dpi);
  }
  if (const int dpi = MonitorDpi(window); dpi != 0) return dpi;
  return SystemDpi();
}

SIZE WindowSizeFor(SIZE client, DWORD style, DWORD ex_style, int dpi) {
  static const auto adjust_for_dpi = User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client.cx, client.cy};
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&rect, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int MetricAt(int index, int dpi) {
  static const auto metric_for_dpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  if (metric_for_dpi != nullptr) return metric_for_dpi(index, static_cast<UINT>(dpi));
  return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

}  // namespace app::win32
