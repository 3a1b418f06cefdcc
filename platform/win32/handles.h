#pragma once
// Conversions between the portable 32-bit handle values and Win32 handles,
// and the owners of the Win32 handles the program keeps.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "platform/owner.h"
#include "platform/ui.h"

namespace platform::win32 {

// USER handles are 32-bit significant on Win64 and sign-extended when widened.
inline HWND ToHwnd(Hwnd h) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(h))); }
inline Hwnd FromHwnd(HWND h) { return static_cast<Hwnd>(reinterpret_cast<UINT_PTR>(h)); }
inline HICON ToHicon(HIcon h) { return reinterpret_cast<HICON>(static_cast<INT_PTR>(static_cast<std::int32_t>(h))); }
inline HIcon FromHicon(HICON h) { return static_cast<HIcon>(reinterpret_cast<UINT_PTR>(h)); }
inline HKEY ToRoot(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<INT_PTR>(static_cast<std::int32_t>(root)));
}

// Closes with one Win32 function of one argument.
template <auto Fn>
struct CloseWith {
  template <typename H>
  void operator()(H handle) const noexcept {
    Fn(handle);
  }
};

template <typename H, auto Fn>
using Handle = Owner<H, CloseWith<Fn>>;

using Font = Handle<HFONT, &::DeleteObject>;
using Brush = Handle<HBRUSH, &::DeleteObject>;
using Bitmap = Handle<HBITMAP, &::DeleteObject>;
using Icon = Handle<HICON, &::DestroyIcon>;
using MemoryDc = Handle<HDC, &::DeleteDC>;
using RegistryKey = Handle<HKEY, &::RegCloseKey>;
using Bstr = Handle<BSTR, &::SysFreeString>;

// A window's device context goes back to that window.
struct ReleaseToWindow {
  HWND window = nullptr;
  void operator()(HDC dc) const noexcept { ::ReleaseDC(window, dc); }
};
using WindowDc = Owner<HDC, ReleaseToWindow>;
inline WindowDc GetWindowDc(HWND window) { return WindowDc(::GetDC(window), ReleaseToWindow{window}); }

// A GDI object selected into a device context for a scope, then put back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { ::SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace platform::win32
