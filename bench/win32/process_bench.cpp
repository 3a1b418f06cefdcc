// Whole-program figures under Wine, each against the minimal one-window
// program measured in the same run:
//   startup  — process start to the window first painted with its welcome line
//   memory   — peak working set (while rotating, for the program)
// Usage: process_bench.exe startup-memory [runs]   prints key=value medians
//        process_bench.exe hold <rotate 0|1> <seconds>
//          keeps the program running for an outside CPU-time sample.
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
  // load handler before the window is first shown and painted.
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"startup-memory";
  const Target minimal{BinDir() + L"\\minimal_window.exe", L"MinimalWindow", MinimalReady};
  const Target program{BinDir() + L"\\StatusCycler.exe", L"StatusCyclerMain", ProgramReady};

  if (mode == L"hold") {
    // Starts the program (rotating or not), says so, and keeps it running for
    // the given time while the caller samples its CPU time from outside: Wine
    // does not report another process's times through GetProcessTimes.
    const bool rotate = argc > 2 && _wtoi(argv[2]) != 0;
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 60;
    Running r;
    if (!Start(program, r)) return 1;
    if (rotate) Click(r.hwnd, 116);  // Start is control 100 + 16
    std::printf("ready pid=%lu\n", r.pi.dwProcessId);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
  }

  const int runs = argc > 2 ? _wtoi(argv[2]) : 5;
  std::vector<double> start_min, start_prog, mem_min, mem_prog;
  for (int i = 0; i < runs; ++i) {
    {
      Running r;
      if (!Start(minimal, r)) return 1;
      start_min.push_back(r.startup_ms);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      mem_min.push_back(PeakWorkingSetKb(r.pi.hProcess));
    }
    {
      Running r;
      if (!Start(program, r)) return 1;
      start_prog.push_back(r.startup_ms);
      // Rotate for a few seconds before reading the peak.
      Click(r.hwnd, 116);
      std::this_thread::sleep_for(std::chrono::milliseconds(5500));
      mem_prog.push_back(PeakWorkingSetKb(r.pi.hProcess));
    }
  }
  std::printf("startup_minimal_ms=%.1f\nstartup_program_ms=%.1f\n", Median(start_min), Median(start_prog));
  std::printf("peak_ws_minimal_kb=%.0f\npeak_ws_program_kb=%.0f\n", Median(mem_min), Median(mem_prog));
  return 0;
}
