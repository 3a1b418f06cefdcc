#pragma once
// Operating-system services in the shape of the calls they stand for. Their
// results are for the caller to ignore or not; a failure is reported the way
// the real call reports it, never by throwing.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "platform/window_handle.h"

namespace platform {

// Text <-> ANSI code page. The Win32 layer uses CP_ACP, the simulation
// Windows-1252 (or a small double-byte page for tests).
class Ansi {
 public:
  virtual ~Ansi() = default;
  virtual std::string ToAnsi(TextView text) const = 0;
  virtual Text FromAnsi(std::string_view bytes) const = 0;
};

using RegKey = std::uintptr_t;
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kRegSz = 1;

// The ANSI registry calls; return values are Win32 error codes (0 = success).
class Registry {
 public:
  virtual ~Registry() = default;
  virtual long RegOpenKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept = 0;
  virtual long RegCreateKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept = 0;
  // data may be null to probe type and size.
  virtual long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) noexcept = 0;
  virtual long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) noexcept = 0;
  virtual long RegCloseKey(RegKey key) noexcept = 0;
};

inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kSmtoAbortIfHung = 0x0002;

class Messaging {
 public:
  virtual ~Messaging() = default;
  // Top-level window of that class, whatever its title; 0 if none.
  virtual Hwnd FindWindowA(const std::string& class_name) noexcept = 0;
  // Returns non-zero when the window handled the message in time.
  virtual long SendMessageTimeoutA(Hwnd window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam,
                                   std::uint32_t flags, std::uint32_t timeout_ms) noexcept = 0;
};

class Identity {
 public:
  virtual ~Identity() = default;
  // Write at most *size bytes, NUL included, into buffer.
  virtual int GetUserNameA(char* buffer, std::uint32_t* size) noexcept = 0;
  virtual int GetComputerNameA(char* buffer, std::uint32_t* size) noexcept = 0;
};

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;

// The first, 88-byte version of NOTIFYICONDATAA, with its tip held as text.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  std::uint32_t hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  std::uint32_t hIcon = 0;
  Text szTip;  // exactly kTipChars characters once built
  static constexpr std::size_t kTipChars = 64;
  static constexpr std::size_t kBytes = 88;
};

// The record as the shell reads it: six little-endian 32-bit fields and the tip
// in the ANSI code page, cut or NUL-filled to 64 bytes.
std::array<std::uint8_t, NotifyIconData::kBytes> PackNotifyIconData(const NotifyIconData& data, const Ansi& ansi);

class Shell {
 public:
  virtual ~Shell() = default;
  // Non-zero when the shell took the request.
  virtual int Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) noexcept = 0;
  virtual std::uint32_t GetWindowThreadProcessId(Hwnd window, std::uint32_t* process_id) noexcept = 0;
  // Brings the given process's main window to the foreground, without waiting.
  virtual void AppActivate(std::uint32_t process_id) noexcept = 0;
};

class Process {
 public:
  virtual ~Process() = default;
  // Ends the program at once: no handler runs after this returns.
  virtual void End() noexcept = 0;
};

}  // namespace platform

namespace platform {

// The operating-system services the handlers use, bundled so that the window
// object takes one reference.
struct Services {
  Ansi& ansi;
  Registry& registry;
  Messaging& messaging;
  Identity& identity;
  Shell& shell;
  Process& process;
};

}  // namespace platform
