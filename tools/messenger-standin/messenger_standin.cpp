// Messenger stand-in: a tiny window that behaves, as far as Status Cycler can
// tell, like the messenger's buddy list. It owns a top-level window of class
// "YahooBuddyMain", and on WM_COMMAND 388 it re-reads the custom status from
// the registry, shows it and appends it to a log that tests read.
//
// Options:
//   --user-id ID   store ID as the current messenger user before starting
//   --log FILE     append "timestamp<TAB>how<TAB>lParam=<n><TAB>text" per command (UTF-8),
//                  how being "sent" (the sender waits for it), "posted" or "sent without waiting"
//   --hang N       after N commands, never return from the next one
//   --title TEXT   window title

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr wchar_t kWindowClass[] = L"YahooBuddyMain";
constexpr char kPagerKey[] = "Software\\Yahoo\\Pager";
constexpr char kUserIdValue[] = "Yahoo! user id";
constexpr WORD kRefreshStatusCommand = 388;

// Move-only owner of a Win32 handle; Close is a stateless functor.
template <typename T, typename Close>
class Unique {
 public:
  Unique() noexcept = default;
  explicit Unique(T h) noexcept : h_(h) {}
  Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, T{})) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, T{});
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  void reset() noexcept {
    if (h_ != T{}) Close{}(h_);
    h_ = T{};
  }
  [[nodiscard]] T get() const noexcept { return h_; }
  // For out-parameters of Create/Open calls.
  [[nodiscard]] T* put() noexcept {
    reset();
    return &h_;
  }
  explicit operator bool() const noexcept { return h_ != T{}; }

 private:
  T h_{};
};

struct CloseKey {
  void operator()(HKEY k) const noexcept { RegCloseKey(k); }
};
struct CloseGdi {
  void operator()(HGDIOBJ o) const noexcept { DeleteObject(o); }
};
struct CloseFile {
  void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
struct FreeLocal {
  void operator()(LPWSTR* p) const noexcept { LocalFree(p); }
};

using Key = Unique<HKEY, CloseKey>;
using Font = Unique<HFONT, CloseGdi>;
using File = Unique<HANDLE, CloseFile>;
using ArgvW = Unique<LPWSTR*, FreeLocal>;

// Restores the previously selected GDI object when leaving a paint scope.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

struct Options {
  std::optional<std::wstring> userId;
  std::wstring logPath;
  std::optional<unsigned long> hangAfter;
  std::wstring title = L"Messenger stand-in";
};

struct State {
  Options options;
  File log;
  Font bigFont;
  Font smallFont;
  std::wstring status;
  unsigned long handled = 0;
};

std::wstring widen(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Returns the value's bytes exactly as stored, or nothing if it is absent or
// not REG_SZ. The messenger's status values carry no terminating NUL, so the
// returned byte count is the only length there is.
std::optional<std::string> readAnsiString(HKEY root, const std::string& subKey, const char* name) {
  Key key;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
  std::string data;
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ) return std::nullopt;
    data.resize(size);
    const LSTATUS rc = RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc == ERROR_MORE_DATA) continue;  // grew between the two calls
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    data.resize(size);
    return data;
  }
}

// A terminator may be present after all: RegSetValueExA itself counts one in
// when the byte just past the given data happens to be NUL. It is never text.
std::string withoutTrailingNuls(std::string s) {
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string currentUserId() {
  return withoutTrailingNuls(readAnsiString(HKEY_CURRENT_USER, kPagerKey, kUserIdValue).value_or(std::string{}));
}

std::wstring currentStatus() {
  const std::string id = currentUserId();
  if (id.empty()) return {};
  const std::string key = std::string(kPagerKey) + "\\profiles\\" + id + "\\Custom Msgs";
  return widen(withoutTrailingNuls(readAnsiString(HKEY_CURRENT_USER, key, "1").value_or(std::string{})), CP_ACP);
}

bool storeUserId(const std::wstring& id) {
  Key key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kPagerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  const std::string ansi = narrow(id, CP_ACP);
  return RegSetValueExA(key.get(), kUserIdValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                        static_cast<DWORD>(ansi.size() + 1)) == ERROR_SUCCESS;
}

void appendLog(State& st, LPARAM lParam) {
  if (!st.log) return;
  SYSTEMTIME t{};
  GetLocalTime(&t);
  // The messenger is told synchronously: the sender counts on the status
  // being applied by the time the call returns.
  const DWORD how = InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK);
  const char* reached = how == ISMEX_SEND ? "sent" : how == ISMEX_NOSEND ? "posted" : "sent without waiting";
  char prefix[128];
  std::snprintf(prefix, sizeof prefix, "%04u-%02u-%02u %02u:%02u:%02u.%03u\t%s\tlParam=%lld\t", t.wYear, t.wMonth,
                t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, reached, static_cast<long long>(lParam));
  // One WriteFile per line: it reaches the OS at once (no user-space
  // buffer), so a reader never sees half a line or has to wait for a flush.
  const std::string line = prefix + narrow(st.status, CP_UTF8) + "\n";
  DWORD written = 0;
  WriteFile(st.log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void handleRefresh(HWND hwnd, State& st, LPARAM lParam) {
  if (st.options.hangAfter && st.handled >= *st.options.hangAfter) {
    // A messenger that stopped pumping messages: the sender is left
    // waiting, and only SMTO_ABORTIFHUNG / the timeout gets it back.
    for (;;) Sleep(INFINITE);
  }
  st.status = currentStatus();
  ++st.handled;
  appendLog(st, lParam);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void paint(HWND hwnd, const State& st) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  SetBkMode(dc, TRANSPARENT);

  constexpr LONG kFooter = 26;
  RECT statusRect = client;
  statusRect.left += 8;
  statusRect.right -= 8;
  statusRect.bottom -= kFooter;
  {
    SelectGuard font(dc, st.bigFont.get());
    SetTextColor(dc, RGB(81, 46, 124));
    DrawTextW(dc, st.status.c_str(), static_cast<int>(st.status.size()), &statusRect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }

  RECT footer = client;
  footer.top = client.bottom - kFooter;
  const std::wstring counter = L"commands handled: " + std::to_wstring(st.handled);
  {
    SelectGuard font(dc, st.smallFont.get());
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, counter.c_str(), static_cast<int>(counter.size()), &footer,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* st = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (st == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);

  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kRefreshStatusCommand) {
        handleRefresh(hwnd, *st, lParam);
        return 0;
      }
      break;
    case WM_PAINT: paint(hwnd, *st); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::optional<unsigned long> parseCount(const wchar_t* s) {
  if (s == nullptr || *s < L'0' || *s > L'9') return std::nullopt;
  wchar_t* end = nullptr;
  const unsigned long n = std::wcstoul(s, &end, 10);
  if (*end != L'\0') return std::nullopt;
  return n;
}

std::optional<Options> parseOptions() {
  int argc = 0;
  ArgvW argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv) return std::nullopt;
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::wstring_view arg = argv.get()[i];
    const wchar_t* value = i + 1 < argc ? argv.get()[i + 1] : nullptr;
    if (value == nullptr) return std::nullopt;
    if (arg == L"--user-id") {
      o.userId = value;
    } else if (arg == L"--log") {
      o.logPath = value;
    } else if (arg == L"--title") {
      o.title = value;
    } else if (arg == L"--hang") {
      o.hangAfter = parseCount(value);
      if (!o.hangAfter) return std::nullopt;
    } else {
      return std::nullopt;
    }
    ++i;
  }
  return o;
}

Font makeFont(int pixelHeight, int weight) {
  return Font(CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // Bad usage exits quietly with a distinct code: a test driver sees the
  // exit code, and a message box would only block it.
  std::optional<Options> options = parseOptions();
  if (!options) return 2;

  State st;
  st.options = std::move(*options);
  if (st.options.userId && !storeUserId(*st.options.userId)) return 3;
  if (!st.options.logPath.empty()) {
    HANDLE h = CreateFileW(st.options.logPath.c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 4;
    st.log = File(h);
  }
  st.bigFont = makeFont(28, FW_BOLD);
  st.smallFont = makeFont(13, FW_NORMAL);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kWindowClass;
  if (RegisterClassExW(&wc) == 0) return 5;

  HWND hwnd = CreateWindowExW(0, kWindowClass, st.options.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 480, 160, nullptr, nullptr, instance, &st);
  if (hwnd == nullptr) return 6;
  ShowWindow(hwnd, showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
  UpdateWindow(hwnd);

  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
