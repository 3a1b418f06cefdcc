// Measures the real status publisher under Windows (Wine in CI):
//
//   publish_cadence.exe [publishes]
//     N publishes in-process against the real registry and a real window of
//     the messenger's class on a thread of its own; prints the median cost
//     as "publish_us_median=<x>" (and the same without a messenger window).
//     Taking turns with them, the floor: the calls a publish comes down to
//     made directly (read the messenger's user id from its key, create that
//     user's profile key, set the value, find the messenger's window, send it
//     the command with the same bound), as "publish_floor_us_median=<x>".
//   publish_cadence.exe --cadence <seconds>
//     Runs StatusCycler.exe beside the stand-in messenger, presses Start, and
//     after that many seconds reads the gaps between the statuses the
//     stand-in logged: "cadence_ms_median=<x>".
//
// HKEY_CURRENT_USER is redirected into a throwaway key for the in-process
// run, so the user's own messenger settings are never touched.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/inventory.h"
#include "platform/win32/win32_os.h"
#include "status/status.h"

namespace {

constexpr wchar_t kScratch[] = L"Software\\StatusCyclerBench";

struct CloseKey {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, CloseKey>;

struct CloseHandleOf {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, CloseHandleOf>;

class NoProcess final : public platform::Process {
 public:
  void End() noexcept override {}
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t mid = v.size() / 2;
  return v.size() % 2 != 0 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// HKEY_CURRENT_USER of this process pointed at a scratch key, removed after.
class ScratchCurrentUser {
 public:
  ScratchCurrentUser() {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    key_.reset(key);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, key_.get());
  }
  ScratchCurrentUser(const ScratchCurrentUser&) = delete;
  ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;
  ~ScratchCurrentUser() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratch);
  }

 private:
  Key key_;
};

// The messenger's window: on each command it reads the stored status, as the
// real one does, so the publish is measured with a receiver doing real work.
class BuddyWindow {
 public:
  BuddyWindow() {
    std::promise<HWND> created;
    auto ready = created.get_future();
    thread_ = std::thread([&created] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"YahooBuddyMain";
      ::RegisterClassW(&wc);
      const HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                          nullptr, wc.hInstance, nullptr);
      created.set_value(hwnd);
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    });
    hwnd_ = ready.get();
  }
  BuddyWindow(const BuddyWindow&) = delete;
  BuddyWindow& operator=(const BuddyWindow&) = delete;
  ~BuddyWindow() {
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_COMMAND && LOWORD(wparam) == 388) {
      char text[512];
      DWORD size = sizeof text;
      ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Yahoo\\Pager\\profiles\\bench\\Custom Msgs", "1", RRF_RT_REG_SZ,
                     nullptr, text, &size);
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  std::thread thread_;
  HWND hwnd_ = nullptr;
};

constexpr platform::TextView kTexts[] = {u"Name", u"Is", u"Online", u"For", u"Awhile!"};
constexpr char kUserId[] = "bench";

// The floor of one publish: the calls it comes down to, made directly. The
// messenger's user id is read from its key on every publish (open, the
// value's type and size, the value, close), as the publisher must so that a
// change of user takes effect at the next status; then the text goes under
// that user's profile and the command to the messenger's window.
void DirectPublish(const std::string& text) {
  std::string user_id;
  HKEY pager = nullptr;
  if (::RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Yahoo\\Pager", &pager) == ERROR_SUCCESS) {
    DWORD type = 0;
    DWORD size = 0;
    ::RegQueryValueExA(pager, "Yahoo! user id", nullptr, &type, nullptr, &size);
    if (type == REG_SZ) {
      std::string buffer(size, '\0');
      ::RegQueryValueExA(pager, "Yahoo! user id", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
      user_id.assign(buffer.c_str());
    }
    ::RegCloseKey(pager);
  }
  const std::string key_path = "Software\\Yahoo\\Pager\\profiles\\" + user_id + "\\Custom Msgs";
  HKEY key = nullptr;
  if (::RegCreateKeyA(HKEY_CURRENT_USER, key_path.c_str(), &key) == ERROR_SUCCESS) {
    ::RegSetValueExA(key, "1", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    ::RegCloseKey(key);
  }
  const HWND messenger = ::FindWindowA(status::kMessengerClass, nullptr);
  if (messenger == nullptr) return;
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(messenger, WM_COMMAND, status::kApplyCustomMsgCommand, status::kApplyCustomMsgLParam,
                        SMTO_ABORTIFHUNG, status::kSendTimeoutMs, &result);
}

double Microseconds(const LARGE_INTEGER& t0, const LARGE_INTEGER& t1) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Timings {
  std::vector<double> program;
  std::vector<double> floor;
};

// The real publisher and the floor in turn, so both meet the same load.
Timings TimePublishes(platform::Services& os, int count) {
  const platform::win32::Win32Ansi ansi;
  Timings t;
  t.program.reserve(static_cast<std::size_t>(count));
  t.floor.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const platform::TextView text = kTexts[i % 5];
    const std::string bytes = ansi.ToAnsi(text);
    // Each goes first every other time, so neither always follows the other.
    for (int turn = 0; turn < 2; ++turn) {
      const bool program = (turn == 0) == (i % 2 == 0);
      LARGE_INTEGER t0, t1;
      ::QueryPerformanceCounter(&t0);
      if (program) {
        status::SetMessengerStatus(os, text);
      } else {
        DirectPublish(bytes);
      }
      ::QueryPerformanceCounter(&t1);
      (program ? t.program : t.floor).push_back(Microseconds(t0, t1));
    }
  }
  return t;
}

int MeasurePublish(int count) {
  const ScratchCurrentUser hkcu;
  {
    HKEY pager = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Yahoo\\Pager", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &pager,
                      nullptr);
    const Key owner(pager);
    ::RegSetValueExA(pager, "Yahoo! user id", 0, REG_SZ, reinterpret_cast<const BYTE*>(kUserId), sizeof kUserId);
  }
  NoProcess process;
  platform::win32::Win32Services services(process);
  platform::Services& os = services.os;

  if (::FindWindowW(L"YahooBuddyMain", nullptr) != nullptr) {
    std::fprintf(stderr, "a messenger window is already open; close it first\n");
    return 1;
  }
  TimePublishes(os, 20);  // warm-up, as with the window below
  const auto alone = TimePublishes(os, count);
  Timings with_window;
  {
    const BuddyWindow buddy;
    TimePublishes(os, 20);  // warm-up
    with_window = TimePublishes(os, count);
  }
  std::printf("publishes=%d\n", count);
  std::printf("publish_us_median=%.1f\n", Median(with_window.program));
  std::printf("publish_us_p10=%.1f\n", Percentile(with_window.program, 0.10));
  std::printf("publish_us_p90=%.1f\n", Percentile(with_window.program, 0.90));
  std::printf("publish_floor_us_median=%.1f\n", Median(with_window.floor));
  std::printf("publish_us_median_no_messenger=%.1f\n", Median(alone.program));
  std::printf("publish_floor_us_median_no_messenger=%.1f\n", Median(alone.floor));
  return 0;
}

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

// A started program, ended (if still running) and released on every way out.
class Child {
 public:
  explicit Child(std::wstring command) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      process_.reset(pi.hProcess);
      thread_.reset(pi.hThread);
      pid_ = pi.dwProcessId;
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 5000);
    }
  }
  bool started() const { return static_cast<bool>(process_); }
  DWORD pid() const { return pid_; }
  bool WaitExit(DWORD ms) const { return ::WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0; }

 private:
  Handle process_;
  Handle thread_;
  DWORD pid_ = 0;
};

HWND WaitForWindow(DWORD pid, const wchar_t* class_name) {
  struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
  };
  for (int i = 0; i < 300; ++i) {
    Search s{pid, class_name, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lparam) -> BOOL {
          auto* search = reinterpret_cast<Search*>(lparam);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(hwnd, &owner);
          wchar_t cls[64] = {};
          ::GetClassNameW(hwnd, cls, 64);
          if (owner != search->pid || ::lstrcmpiW(cls, search->cls) != 0) return TRUE;
          search->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found != nullptr && ::IsWindowVisible(s.found)) return s.found;
    ::Sleep(100);
  }
  return nullptr;
}

void PressButton(HWND main, app::ControlId id) {
  const int control = 100 + static_cast<int>(id);
  ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(main, control)));
}

std::vector<long long> LoggedTimes(const std::wstring& path) {
  std::vector<long long> ms;
  FILE* raw = ::_wfopen(path.c_str(), L"rb");
  if (raw == nullptr) return ms;
  const std::unique_ptr<FILE, int (*)(FILE*)> file(raw, &std::fclose);
  char line[1024];
  while (std::fgets(line, sizeof line, file.get()) != nullptr) {
    unsigned y, mo, d, h, mi, s, milli;
    if (std::sscanf(line, "%u-%u-%u %u:%u:%u.%u", &y, &mo, &d, &h, &mi, &s, &milli) != 7) continue;
    ms.push_back(((static_cast<long long>(d) * 24 + h) * 60 + mi) * 60000LL + s * 1000LL + milli);
  }
  return ms;
}

int MeasureCadence(int seconds) {
  wchar_t temp[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, temp);
  const std::wstring log =
      std::wstring(temp, n) + L"publish-cadence-" + std::to_wstring(::GetCurrentProcessId()) + L".log";
  const std::wstring dir = ExeDir();
  {
    const Child messenger(L"\"" + dir + L"\\messenger-standin.exe\" --user-id cadence --log \"" + log + L"\"");
    if (!messenger.started() || WaitForWindow(messenger.pid(), L"YahooBuddyMain") == nullptr) {
      std::fprintf(stderr, "the stand-in messenger did not start\n");
      return 1;
    }
    const Child program(L"\"" + dir + L"\\StatusCycler.exe\"");
    const HWND main = program.started() ? WaitForWindow(program.pid(), L"StatusCyclerMain") : nullptr;
    if (main == nullptr) {
      std::fprintf(stderr, "StatusCycler.exe did not start\n");
      return 1;
    }
    PressButton(main, app::ControlId::Command1);
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    PressButton(main, app::ControlId::Command2);
    PressButton(main, app::ControlId::Command3);
    program.WaitExit(10000);
  }
  const auto times = LoggedTimes(log);
  ::DeleteFileW(log.c_str());
  std::vector<double> gaps;
  for (std::size_t i = 1; i < times.size(); ++i) gaps.push_back(static_cast<double>(times[i] - times[i - 1]));
  std::printf("statuses=%zu\n", times.size());
  std::printf("cadence_ms_median=%.1f\n", Median(gaps));
  std::printf("cadence_ms_min=%.1f\n", gaps.empty() ? 0.0 : *std::min_element(gaps.begin(), gaps.end()));
  std::printf("cadence_ms_max=%.1f\n", gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
  return gaps.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--cadence") return MeasureCadence(std::max(2, std::atoi(argv[2])));
  const int count = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 500;
  return MeasurePublish(count);
}
