#pragma once
// Conversions between the portable 32-bit handle values and Win32 handles,
// and small owners for GDI objects.
#include <windows.h>

#include <cstdint>

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

std::wstring ToWide(TextView text);
Text FromWide(const wchar_t* text, std::size_t length);

template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T handle) : handle_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  ~GdiObject() { reset(); }
  void reset(T handle = nullptr) {
    if (handle_ != nullptr) ::DeleteObject(handle_);
    handle_ = handle;
  }
  T get() const { return handle_; }

 private:
  T handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

class IconHandle {
 public:
  IconHandle() = default;
  explicit IconHandle(HICON icon) : icon_(icon) {}
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;
  IconHandle(IconHandle&& other) noexcept : icon_(other.icon_) { other.icon_ = nullptr; }
  IconHandle& operator=(IconHandle&& other) noexcept {
    if (this != &other) {
      if (icon_ != nullptr) ::DestroyIcon(icon_);
      icon_ = other.icon_;
      other.icon_ = nullptr;
    }
    return *this;
  }
  ~IconHandle() {
    if (icon_ != nullptr) ::DestroyIcon(icon_);
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

}  // namespace platform::win32
