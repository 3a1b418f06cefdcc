#pragma once
// In-memory stand-ins for the operating-system services.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/sim/faults.h"

namespace platform::sim {

inline constexpr long kErrorTimeout = 1460;  // ERROR_TIMEOUT

// Windows-1252, as on a Western Windows. With double_byte set, a toy DBCS
// page instead: bytes 0x81..0x9F lead a two-byte character (shown as
// U+4E00 + trail byte), which is what makes byte and character counts differ.
class SimAnsi final : public platform::Ansi {
 public:
  bool double_byte = false;
  std::string ToAnsi(platform::TextView text) const override;
  platform::Text FromAnsi(std::string_view bytes) const override;
};

// A registry tree with typed values. Key paths compare case-insensitively and
// doubled backslashes count as one, as the real registry has it. Each call can
// be planned to fail under its own name; by default a failing open, query or
// close answers ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND or
// ERROR_INVALID_HANDLE, and a failing create or set ERROR_ACCESS_DENIED, as a
// key without the access would.
class SimRegistry final : public platform::Registry {
 public:
  struct Value {
    std::uint32_t type = 0;
    std::string data;
    friend bool operator==(const Value&, const Value&) = default;
  };

  long RegOpenKeyA(std::uint32_t root, const std::string& sub_key, platform::RegKey* key) noexcept override;
  long RegCreateKeyA(std::uint32_t root, const std::string& sub_key, platform::RegKey* key) noexcept override;
  long RegQueryValueExA(platform::RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) noexcept override;
  long RegSetValueExA(platform::RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) noexcept override;
  long RegCloseKey(platform::RegKey key) noexcept override;

  // Direct access for tests (paths relative to HKEY_CURRENT_USER).
  void Put(const std::string& path, const std::string& name, std::uint32_t type, const std::string& data);
  std::optional<Value> Get(const std::string& path, const std::string& name) const;
  int open_handles() const { return static_cast<int>(open_.size()); }

  // Called between the probe and the data query of a value, to model a value
  // that changes in between.
  std::function<void()> between_queries;
  Faults faults{"RegOpenKeyA", "RegCreateKeyA", "RegQueryValueExA", "RegSetValueExA", "RegCloseKey"};

 private:
  static std::string Fold(const std::string& path);
  std::map<std::string, std::map<std::string, Value>> keys_;  // folded path -> values
  std::map<platform::RegKey, std::string> open_;
  platform::RegKey next_ = 0x100;
};

// Top-level windows that receive messages. A planned failure of FindWindowA
// finds nothing; one of SendMessageTimeoutA returns 0 as a timeout does.
class SimMessaging final : public platform::Messaging {
 public:
  struct Received {
    std::uint32_t msg;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    std::uint32_t flags;
    std::uint32_t timeout_ms;
    friend bool operator==(const Received&, const Received&) = default;
  };
  struct SimWindowEntry {
    platform::Hwnd hwnd;
    std::string class_name;
    bool hung = false;  // sends to it time out and return 0
    std::function<void(const Received&)> on_message;
    std::vector<Received> received;
  };

  platform::Hwnd AddWindow(const std::string& class_name, std::function<void(const Received&)> on_message = {});
  void RemoveWindow(platform::Hwnd hwnd);
  SimWindowEntry* Find(platform::Hwnd hwnd);

  platform::Hwnd FindWindowA(const std::string& class_name) noexcept override;
  long SendMessageTimeoutA(platform::Hwnd window, std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam,
                           std::uint32_t flags, std::uint32_t timeout_ms) noexcept override;
  Faults faults{"FindWindowA", "SendMessageTimeoutA"};

 private:
  std::vector<SimWindowEntry> windows_;
  platform::Hwnd next_ = 0x10010;
};

// A name longer than the buffer fails the call with 0 and writes nothing, as
// does a planned failure.
class SimIdentity final : public platform::Identity {
 public:
  std::string user = "anna";  // ANSI bytes the calls write, NUL added
  std::string computer = "DESK1";
  int GetUserNameA(char* buffer, std::uint32_t* size) noexcept override;
  int GetComputerNameA(char* buffer, std::uint32_t* size) noexcept override;
  Faults faults{"GetUserNameA", "GetComputerNameA"};

 private:
  int Fill(const char* op, const std::string& value, char* buffer, std::uint32_t* size);
};

// The notification area as the shell keeps it: adding an icon that is there,
// or changing one that is not, fails as it does on Windows. A planned failure
// is a shell not running yet, which takes nothing; one planned with
// kErrorTimeout is a shell too busy to answer in time, which does what it was
// asked and reports failure all the same.
class SimShell final : public platform::Shell {
 public:
  struct Call {
    std::uint32_t message;
    platform::NotifyIconData data;
  };
  std::vector<Call> notify_calls;                            // every request, taken or not
  std::set<std::pair<platform::Hwnd, std::uint32_t>> icons;  // window and id of each icon shown
  std::vector<std::uint32_t> activated;
  std::uint32_t process_id = 4242;

  int Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconData& data) noexcept override;
  std::uint32_t GetWindowThreadProcessId(platform::Hwnd window, std::uint32_t* process_id) noexcept override;
  void AppActivate(std::uint32_t process_id) noexcept override;
  // A new shell starts with no icons.
  void Restart() { icons.clear(); }
  Faults faults{"Shell_NotifyIconA", "GetWindowThreadProcessId", "AppActivate"};
};

class SimProcess final : public platform::Process {
 public:
  bool ended = false;
  std::function<void()> on_end;  // what the window does as it goes
  void End() noexcept override {
    ended = true;
    if (on_end) on_end();
  }
};

}  // namespace platform::sim
