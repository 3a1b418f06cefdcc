#pragma once
// A throwaway registry key under HKEY_CURRENT_USER for one test, and raw
// access to it through the wide API, which sees what is really stored
// without the ANSI conversion the program itself goes through.
#include <windows.h>

#include <string>

namespace scratch {

inline constexpr wchar_t kParent[] = L"Software\\StatusCyclerTest";

class Key {
 public:
  Key()
      : path_(std::wstring(kParent) + L"\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(::GetTickCount64())) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      ::RegCloseKey(key);
    }
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // only goes when no other test's key is left
  }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// The key handle of one open, closed on every way out.
class OpenKey {
 public:
  explicit OpenKey(HKEY key = nullptr) : key_(key) {}
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  OpenKey(OpenKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  OpenKey& operator=(OpenKey&& other) noexcept {
    if (this != &other) {
      if (key_ != nullptr) ::RegCloseKey(key_);
      key_ = other.key_;
      other.key_ = nullptr;
    }
    return *this;
  }
  ~OpenKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  HKEY get() const { return key_; }
  HKEY* put() { return &key_; }

 private:
  HKEY key_;
};

inline bool KeyExists(HKEY root, const std::wstring& path) {
  OpenKey key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

struct Stored {
  bool found = false;
  DWORD type = REG_NONE;
  std::wstring data;  // every stored UTF-16 unit, NULs included
};

inline Stored Get(HKEY root, const std::wstring& path, const wchar_t* name) {
  Stored out;
  OpenKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return out;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS) return out;
  out.data.assign(size / sizeof(wchar_t), L'\0');
  if (::RegQueryValueExW(key.get(), name, nullptr, &out.type, reinterpret_cast<BYTE*>(out.data.data()), &size) !=
      ERROR_SUCCESS) {
    return out;
  }
  out.data.resize(size / sizeof(wchar_t));
  out.found = true;
  return out;
}

inline bool Put(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
  OpenKey key;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

inline bool PutText(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::wstring& units) {
  return Put(root, path, name, type, units.data(), static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

// What a registry string holds as text: the stored units up to a terminating
// NUL, if the platform added one.
inline std::wstring WithoutTerminator(const std::wstring& units) {
  if (!units.empty() && units.back() == L'\0') return units.substr(0, units.size() - 1);
  return units;
}

// Whether the ANSI code page holds every character of the text, so that it
// can come back from the registry unchanged.
inline bool FitsAnsiPage(const std::wstring& text) {
  if (text.empty()) return true;
  BOOL lossy = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, &lossy);
  return n > 0 && !lossy;
}

// Redirects HKEY_CURRENT_USER of this whole process (every thread) into a
// scratch key, so code with fixed paths under it can be run for real without
// touching the user's own settings.
class RedirectedCurrentUser {
 public:
  RedirectedCurrentUser() {
    ok_ = ::RegOpenKeyExW(HKEY_CURRENT_USER, scratch_.path().c_str(), 0, KEY_ALL_ACCESS, target_.put()) ==
              ERROR_SUCCESS &&
          ::RegOverridePredefKey(HKEY_CURRENT_USER, target_.get()) == ERROR_SUCCESS;
  }
  RedirectedCurrentUser(const RedirectedCurrentUser&) = delete;
  RedirectedCurrentUser& operator=(const RedirectedCurrentUser&) = delete;
  ~RedirectedCurrentUser() { ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr); }
  bool ok() const { return ok_; }

 private:
  Key scratch_;  // destroyed last: the override is lifted before it goes
  OpenKey target_;
  bool ok_ = false;
};

}  // namespace scratch
