#include "platform/win32/win32_os.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

std::string Win32Ansi::ToAnsi(TextView text) const {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), bytes, nullptr, nullptr);
  return out;
}

Text Win32Ansi::FromAnsi(std::string_view bytes) const { return FromWide(Widen(bytes, CP_ACP)); }

long Win32Registry::RegOpenKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept {
  HKEY opened = nullptr;
  const LONG rc = ::RegOpenKeyA(ToRoot(root), sub_key.c_str(), &opened);
  *key = reinterpret_cast<RegKey>(opened);
  return rc;
}

long Win32Registry::RegCreateKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept {
  HKEY created = nullptr;
  const LONG rc = ::RegCreateKeyA(ToRoot(root), sub_key.c_str(), &created);
  *key = reinterpret_cast<RegKey>(created);
  return rc;
}

long Win32Registry::RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) noexcept {
  DWORD t = type != nullptr ? *type : 0;
  DWORD s = size != nullptr ? *size : 0;
  const LONG rc =
      ::RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &t, data, size != nullptr ? &s : nullptr);
  if (type != nullptr) *type = t;
  if (size != nullptr) *size = s;
  return rc;
}

long Win32Registry::RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                                   std::uint32_t size) noexcept {
  return ::RegSetValueExA(reinterpret_cast<HKEY>(key), name.c_str(), 0, type, data, size);
}

long Win32Registry::RegCloseKey(RegKey key) noexcept { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

Hwnd Win32Messaging::FindWindowA(const std::string& class_name) noexcept {
  return FromHwnd(::FindWindowA(class_name.c_str(), nullptr));
}

long Win32Messaging::SendMessageTimeoutA(Hwnd window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam,
                                         std::uint32_t flags, std::uint32_t timeout_ms) noexcept {
  DWORD_PTR result = 0;
  return static_cast<long>(::SendMessageTimeoutA(ToHwnd(window), msg, wparam, lparam, flags, timeout_ms, &result) != 0);
}

int Win32Identity::GetUserNameA(char* buffer, std::uint32_t* size) noexcept {
  DWORD s = *size;
  const BOOL ok = ::GetUserNameA(buffer, &s);
  *size = s;
  return ok;
}

int Win32Identity::GetComputerNameA(char* buffer, std::uint32_t* size) noexcept {
  DWORD s = *size;
  const BOOL ok = ::GetComputerNameA(buffer, &s);
  *size = s;
  return ok;
}

int Win32Shell::Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) noexcept {
  // The program's record is the 88-byte first version: six 32-bit fields and a
  // 64-byte tip. On a 64-bit build the shell reads the native NOTIFYICONDATAA,
  // whose handles are 64 bits wide and padded, so the same fields are copied
  // into it, it is sized as that first version, and its tip gets the 64 bytes
  // of the packed record unchanged. The native tip field is longer than 64 and
  // zeroed past them, so a reader that looks for a NUL always finds one.
  const Win32Ansi ansi;
  const auto packed = PackNotifyIconData(data, ansi);
  constexpr std::size_t kTipOffset = 6 * sizeof(std::uint32_t);
  NOTIFYICONDATAA native{};
  static_assert(sizeof native.szTip > NotifyIconData::kTipChars);
  native.cbSize = NOTIFYICONDATAA_V1_SIZE;
  native.hWnd = ToHwnd(data.hWnd);
  native.uID = data.uID;
  native.uFlags = data.uFlags;
  native.uCallbackMessage = data.uCallbackMessage;
  native.hIcon = ToHicon(data.hIcon);
  std::memcpy(native.szTip, packed.data() + kTipOffset, NotifyIconData::kTipChars);
  return ::Shell_NotifyIconA(message, &native);
}

std::uint32_t Win32Shell::GetWindowThreadProcessId(Hwnd window, std::uint32_t* process_id) noexcept {
  DWORD pid = 0;
  const DWORD tid = ::GetWindowThreadProcessId(ToHwnd(window), &pid);
  if (process_id != nullptr) *process_id = pid;
  return tid;
}

namespace {

struct ActivateSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<ActivateSearch*>(lparam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->pid && ::IsWindowVisible(hwnd) && ::GetWindow(hwnd, GW_OWNER) == nullptr) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void Win32Shell::AppActivate(std::uint32_t process_id) noexcept {
  // The process's first visible, unowned top-level window is its main window.
  ActivateSearch search{process_id, nullptr};
  ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;
  if (::IsIconic(search.found)) ::ShowWindow(search.found, SW_RESTORE);
  ::SetForegroundWindow(search.found);
}

}  // namespace platform::win32
