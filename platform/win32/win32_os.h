#pragma once
// The operating-system services over the real Windows calls.
#include <string>
#include <string_view>

#include "platform/os.h"

namespace platform::win32 {

class Win32Ansi final : public Ansi {
 public:
  std::string ToAnsi(TextView text) const override;
  Text FromAnsi(std::string_view bytes) const override;
};

class Win32Registry final : public Registry {
 public:
  long RegOpenKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept override;
  long RegCreateKeyA(std::uint32_t root, const std::string& sub_key, RegKey* key) noexcept override;
  long RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) noexcept override;
  long RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) noexcept override;
  long RegCloseKey(RegKey key) noexcept override;
};

class Win32Messaging final : public Messaging {
 public:
  Hwnd FindWindowA(const std::string& class_name) noexcept override;
  long SendMessageTimeoutA(Hwnd window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam,
                           std::uint32_t flags, std::uint32_t timeout_ms) noexcept override;
};

class Win32Identity final : public Identity {
 public:
  int GetUserNameA(char* buffer, std::uint32_t* size) noexcept override;
  int GetComputerNameA(char* buffer, std::uint32_t* size) noexcept override;
};

class Win32Shell final : public Shell {
 public:
  int Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) noexcept override;
  std::uint32_t GetWindowThreadProcessId(Hwnd window, std::uint32_t* process_id) noexcept override;
  void AppActivate(std::uint32_t process_id) noexcept override;
};

// The real services bundled as the handlers take them; the way the program
// ends is the caller's.
struct Win32Services {
  explicit Win32Services(Process& process) : os{ansi, registry, messaging, identity, shell, process} {}
  Win32Services(const Win32Services&) = delete;
  Win32Services& operator=(const Win32Services&) = delete;
  Win32Ansi ansi;
  Win32Registry registry;
  Win32Messaging messaging;
  Win32Identity identity;
  Win32Shell shell;
  Services os;
};

}  // namespace platform::win32
