#include "platform/sim/sim_os.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::sim {
namespace {

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes map to their C1
// control, as Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorMoreData = 234;

// The planned error, or the call's usual one.
long Failed(long planned, long usual) { return planned != 0 ? planned : usual; }

}  // namespace

std::string SimAnsi::ToAnsi(platform::TextView text) const {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (double_byte && c >= 0x4E81 && c <= 0x4E9F) {
      out.push_back(static_cast<char>(0x81));
      out.push_back(static_cast<char>(c - 0x4E00));
      continue;
    }
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF && !double_byte)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const auto* hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), c);
    if (!double_byte && hit != std::end(kCp1252High)) {
      out.push_back(static_cast<char>(0x80 + (hit - std::begin(kCp1252High))));
    } else {
      out.push_back('?');  // the code page's default character
    }
  }
  return out;
}

platform::Text SimAnsi::FromAnsi(std::string_view bytes) const {
  platform::Text out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (double_byte && b >= 0x81 && b <= 0x9F) {
      if (i + 1 < bytes.size()) {
        out.push_back(static_cast<char16_t>(0x4E00 + static_cast<unsigned char>(bytes[++i])));
      } else {
        out.push_back(u'?');  // a lone lead byte
      }
    } else if (b >= 0x80 && b <= 0x9F && !double_byte) {
      out.push_back(kCp1252High[b - 0x80]);
    } else {
      out.push_back(static_cast<char16_t>(b));
    }
  }
  return out;
}

std::string SimRegistry::Fold(const std::string& path) {
  // Backslashes in a row separate like one, as the real registry takes them.
  std::string out;
  out.reserve(path.size());
  for (char c : Lower(path)) {
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    out.push_back(c);
  }
  return out;
}

long SimRegistry::RegOpenKeyA(std::uint32_t root, const std::string& sub_key, platform::RegKey* key) noexcept {
  if (const auto planned = faults.Due("RegOpenKeyA")) return Failed(*planned, kErrorFileNotFound);
  if (root != platform::kHkeyCurrentUser) return kErrorInvalidHandle;
  const std::string folded = Fold(sub_key);
  if (!keys_.contains(folded)) return kErrorFileNotFound;
  *key = next_++;
  open_[*key] = folded;
  return kErrorSuccess;
}

long SimRegistry::RegCreateKeyA(std::uint32_t root, const std::string& sub_key, platform::RegKey* key) noexcept {
  if (const auto planned = faults.Due("RegCreateKeyA")) return Failed(*planned, kErrorAccessDenied);
  if (root != platform::kHkeyCurrentUser) return kErrorInvalidHandle;
  const std::string folded = Fold(sub_key);
  keys_[folded];
  *key = next_++;
  open_[*key] = folded;
  return kErrorSuccess;
}

long SimRegistry::RegQueryValueExA(platform::RegKey key, const std::string& name, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* size) noexcept {
  if (data != nullptr && between_queries) between_queries();
  if (const auto planned = faults.Due("RegQueryValueExA")) return Failed(*planned, kErrorFileNotFound);
  const auto open = open_.find(key);
  if (open == open_.end()) return kErrorInvalidHandle;
  const auto& values = keys_[open->second];
  const auto value = values.find(Lower(name));
  if (value == values.end()) return kErrorFileNotFound;
  if (type != nullptr) *type = value->second.type;
  const auto needed = static_cast<std::uint32_t>(value->second.data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (size == nullptr) return kErrorInvalidHandle;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  std::copy(value->second.data.begin(), value->second.data.end(), data);
  *size = needed;
  return kErrorSuccess;
}

long SimRegistry::RegSetValueExA(platform::RegKey key, const std::string& name, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) noexcept {
  if (const auto planned = faults.Due("RegSetValueExA")) return Failed(*planned, kErrorAccessDenied);
  const auto open = open_.find(key);
  if (open == open_.end()) return kErrorInvalidHandle;
  keys_[open->second][Lower(name)] = Value{type, std::string(reinterpret_cast<const char*>(data), size)};
  return kErrorSuccess;
}

long SimRegistry::RegCloseKey(platform::RegKey key) noexcept {
  if (const auto planned = faults.Due("RegCloseKey")) return Failed(*planned, kErrorInvalidHandle);
  return open_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void SimRegistry::Put(const std::string& path, const std::string& name, std::uint32_t type, const std::string& data) {
  keys_[Fold(path)][Lower(name)] = Value{type, data};
}

std::optional<SimRegistry::Value> SimRegistry::Get(const std::string& path, const std::string& name) const {
  const auto key = keys_.find(Fold(path));
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.find(Lower(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

platform::Hwnd SimMessaging::AddWindow(const std::string& class_name, std::function<void(const Received&)> on_message) {
  const platform::Hwnd hwnd = next_;
  next_ += 0x10;
  windows_.push_back(SimWindowEntry{hwnd, class_name, false, std::move(on_message), {}});
  return hwnd;
}

void SimMessaging::RemoveWindow(platform::Hwnd hwnd) {
  std::erase_if(windows_, [&](const SimWindowEntry& w) { return w.hwnd == hwnd; });
}

SimMessaging::SimWindowEntry* SimMessaging::Find(platform::Hwnd hwnd) {
  for (auto& w : windows_) {
    if (w.hwnd == hwnd) return &w;
  }
  return nullptr;
}

platform::Hwnd SimMessaging::FindWindowA(const std::string& class_name) noexcept {
  if (faults.Due("FindWindowA")) return 0;
  for (const auto& w : windows_) {
    if (Lower(w.class_name) == Lower(class_name)) return w.hwnd;
  }
  return 0;
}

long SimMessaging::SendMessageTimeoutA(platform::Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                       std::intptr_t lparam, std::uint32_t flags, std::uint32_t timeout_ms) noexcept {
  if (faults.Due("SendMessageTimeoutA")) return 0;
  SimWindowEntry* w = Find(window);
  if (w == nullptr || w->hung) return 0;
  const Received r{msg, wparam, lparam, flags, timeout_ms};
  w->received.push_back(r);
  if (w->on_message) w->on_message(r);
  return 1;
}

int SimIdentity::Fill(const char* op, const std::string& value, char* buffer, std::uint32_t* size) {
  if (faults.Due(op)) return 0;
  if (value.size() + 1 > *size) {
    *size = static_cast<std::uint32_t>(value.size() + 1);  // ERROR_INSUFFICIENT_BUFFER
    return 0;
  }
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  *size = static_cast<std::uint32_t>(value.size() + 1);
  return 1;
}

int SimIdentity::GetUserNameA(char* buffer, std::uint32_t* size) noexcept {
  return Fill("GetUserNameA", user, buffer, size);
}

int SimIdentity::GetComputerNameA(char* buffer, std::uint32_t* size) noexcept {
  return Fill("GetComputerNameA", computer, buffer, size);
}

int SimShell::Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconData& data) noexcept {
  notify_calls.push_back(Call{message, data});
  const auto planned = faults.Due("Shell_NotifyIconA");
  if (planned && *planned != kErrorTimeout) return 0;
  const std::pair icon{data.hWnd, data.uID};
  bool taken = false;
  if (message == platform::kNimAdd) taken = icons.insert(icon).second;
  if (message == platform::kNimModify) taken = icons.contains(icon);
  if (message == platform::kNimDelete) taken = icons.erase(icon) != 0;
  // A shell too busy to answer in time may have done what it was asked all the same.
  return taken && !planned ? 1 : 0;
}

std::uint32_t SimShell::GetWindowThreadProcessId(platform::Hwnd, std::uint32_t* pid) noexcept {
  if (faults.Due("GetWindowThreadProcessId")) return 0;
  if (pid != nullptr) *pid = process_id;
  return 77;
}

void SimShell::AppActivate(std::uint32_t pid) noexcept {
  if (!faults.Due("AppActivate")) activated.push_back(pid);
}

}  // namespace platform::sim
