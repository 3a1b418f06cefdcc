#include "app/win32/dpi.h"

#include "platform/win32/handles.h"

namespace app::win32 {
namespace {

// Looked up once: user32 is loaded in every GUI process, and a function it
// lacks stays null.
template <typename Fn>
Fn User32(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() { return ::GetDeviceCaps(platform::win32::GetWindowDc(nullptr).get(), LOGPIXELSX); }

}  // namespace

int DpiOf(HWND window) {
  static const auto get_dpi_for_window = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  const UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
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
