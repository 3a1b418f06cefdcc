#pragma once
// The DPI a window is drawn at, and the system metrics at a DPI. The calls
// that know a window's own DPI came with Windows 10 (1607); Windows 8.1 knows
// each monitor's, and before that the whole desktop has one DPI, the
// system's. Each answers with the best the system it runs on knows.
#include <windows.h>

namespace app::win32 {

#ifndef WM_GETDPISCALEDSIZE
inline constexpr UINT WM_GETDPISCALEDSIZE = 0x02E4;
#endif

// The window's DPI, else that of the monitor it is on, else the system's.
int DpiOf(HWND window);

// The outer size of a window of that style whose client area is `client`, at `dpi`.
SIZE WindowSizeFor(SIZE client, DWORD style, DWORD ex_style, int dpi);

// GetSystemMetrics(index) as it reads at `dpi`.
int MetricAt(int index, int dpi);

}  // namespace app::win32
