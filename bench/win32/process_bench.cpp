// Whole-program figures under Wine, each beside its floor in the same run:
//   startup  — process start to the window first painted with its welcome
//              line, beside the same window and the work before its first
//              paint made directly (startup_floor.exe) and the least program
//              that opens a window (minimal_window.exe)
//   memory   — peak working set (while rotating, for the program), beside
//              the same two
//   idle     — the program kept running beside the start-up floor, the
//              same window scrolling its title as often and doing nothing
//              else, for the caller to sample the CPU time of both
// Usage: process_bench.exe startup [runs [other StatusCycler.exe]]
//          medians of the start-up times and of each one's ratio to the
//          floor's in the same round; another build of the program, if
//          given, is started in the same rounds ("other")
//        process_bench.exe memory [runs]
//        process_bench.exe hold <rotate 0|1> <seconds>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Target {
  std::wstring exe;
  const wchar_t* cls;
  // True once the window shows what counts as "up".
  bool (*ready)(HWND);
};

bool MinimalReady(HWND hwnd) { return ::IsWindowVisible(hwnd) && e2e::WindowText(hwnd) == L"painted"; }

bool ProgramReady(HWND hwnd) {
  // Label1 is control 100 + its index (6); the welcome line is written by the
  // load handler before the window is first shown and painted (by the floor,
  // as it builds the window).
  return ::IsWindowVisible(hwnd) && e2e::WindowText(::GetDlgItem(hwnd, 106)).rfind(L"Hello: ", 0) == 0 &&
         ::GetUpdateRect(hwnd, nullptr, FALSE) == FALSE;
}

struct Running {
  PROCESS_INFORMATION pi{};
  HWND hwnd = nullptr;
  double startup_ms = -1;
  ~Running() {
    if (pi.hProcess != nullptr) {
      ::TerminateProcess(pi.hProcess, 0);
      ::WaitForSingleObject(pi.hProcess, 5000);
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
  }
};

bool Start(const Target& t, Running& r) {
  std::wstring cmd = L"\"" + t.exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const auto t0 = Clock::now();
  if (!::CreateProcessW(t.exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &r.pi)) {
    return false;
  }
  for (;;) {
    if (r.hwnd == nullptr) r.hwnd = e2e::FindProcessWindow(r.pi.dwProcessId, t.cls);
    if (r.hwnd != nullptr && t.ready(r.hwnd)) break;
    if (Clock::now() - t0 > std::chrono::seconds(60)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  r.startup_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  return true;
}

double PeakWorkingSetKb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (!::GetProcessMemoryInfo(process, &pmc, sizeof pmc)) return -1;
  return static_cast<double>(pmc.PeakWorkingSetSize) / 1024.0;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Click(HWND main, int control_id) {
  ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(control_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(main, control_id)));
}

// The programs are built beside this one.
std::wstring BinDir() {
  wchar_t path[MAX_PATH];
  const std::wstring exe(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  return exe.substr(0, exe.find_last_of(L"\\/"));
}

// Starts the target, waits until it is up and gives its start-up time;
// negative if it never came up.
double StartupMs(const Target& t) {
  Running r;
  if (!Start(t, r)) return -1;
  // Left running a moment, so that its end does not overlap the next start.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return r.startup_ms;
}

// Peak working set of the target after `settle`; negative if it never came up.
double PeakKb(const Target& t, void (*settle)(HWND)) {
  Running r;
  if (!Start(t, r)) return -1;
  settle(r.hwnd);
  return PeakWorkingSetKb(r.pi.hProcess);
}

void Idle(HWND) { std::this_thread::sleep_for(std::chrono::milliseconds(500)); }

void Rotate(HWND window) {
  // Rotates for a few seconds before the peak is read.
  Click(window, 116);  // Start is control 100 + 16
  std::this_thread::sleep_for(std::chrono::milliseconds(5500));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"startup-memory";
  const Target minimal{BinDir() + L"\\minimal_window.exe", L"MinimalWindow", MinimalReady};
  const Target floor{BinDir() + L"\\startup_floor.exe", L"StartupFloor", ProgramReady};
  const Target program{BinDir() + L"\\StatusCycler.exe", L"StatusCyclerMain", ProgramReady};

  if (mode == L"hold") {
    // Starts the program (rotating or not) beside its floor, says so,
    // and keeps both running for the given time while the caller samples
    // their CPU time from outside: Wine does not report another process's
    // times through GetProcessTimes.
    const bool rotate = argc > 2 && _wtoi(argv[2]) != 0;
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 60;
    Running scrolling;
    Running r;
    if (!Start(floor, scrolling) || !Start(program, r)) return 1;
    if (rotate) Click(r.hwnd, 116);
    std::printf("ready pid=%lu floor_pid=%lu\n", r.pi.dwProcessId, scrolling.pi.dwProcessId);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
  }

  const int runs = argc > 2 ? _wtoi(argv[2]) : 5;
  if (mode == L"memory") {
    std::vector<double> minimal_kb, floor_kb, program_kb;
    for (int i = 0; i < runs; ++i) {
      minimal_kb.push_back(PeakKb(minimal, Idle));
      floor_kb.push_back(PeakKb(floor, Idle));
      program_kb.push_back(PeakKb(program, Rotate));
    }
    std::printf("peak_ws_minimal_kb=%.0f\npeak_ws_floor_kb=%.0f\npeak_ws_program_kb=%.0f\n", Median(minimal_kb),
                Median(floor_kb), Median(program_kb));
    return 0;
  }

  constexpr std::size_t kFloor = 1;
  std::vector<std::pair<const char*, Target>> targets{{"minimal", minimal}, {"floor", floor}, {"program", program}};
  if (argc > 3) targets.emplace_back("other", Target{argv[3], L"StatusCyclerMain", ProgramReady});
  std::vector<std::vector<double>> ms(targets.size());
  // One round first that is not counted: the first start of each program
  // pays for Wine reading its libraries from disk. Each round starts the
  // programs in another order, so none always follows the same one.
  for (int round = -1; round < runs; ++round) {
    for (std::size_t k = 0; k < targets.size(); ++k) {
      const std::size_t which = (k + static_cast<std::size_t>(std::max(round, 0))) % targets.size();
      const double startup = StartupMs(targets[which].second);
      if (startup < 0) {
        std::fprintf(stderr, "%s did not come up\n", targets[which].first);
        return 1;
      }
      if (round >= 0) ms[which].push_back(startup);
    }
  }
  // Each program against the floor started in the same round: the load of a
  // shared machine changes from one second to the next, much less within one
  // round.
  for (std::size_t k = 0; k < targets.size(); ++k) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < ms[k].size(); ++i) ratios.push_back(ms[k][i] / ms[kFloor][i]);
    std::printf("startup_%s_ms=%.1f\nstartup_%s_vs_floor=%.3f\n", targets[k].first, Median(ms[k]), targets[k].first,
                Median(ratios));
    // How far the rounds spread: what one round alone could have shown.
    if (ratios.empty()) continue;
    std::printf("startup_%s_vs_floor_min=%.3f\nstartup_%s_vs_floor_max=%.3f\n", targets[k].first,
                *std::min_element(ratios.begin(), ratios.end()), targets[k].first,
                *std::max_element(ratios.begin(), ratios.end()));
  }
  return 0;
}
