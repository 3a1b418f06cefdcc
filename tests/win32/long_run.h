#pragma once
// What a long run counts: its rounds (in full under scripts/long-runs.sh), the
// process's kernel handles and its USER and GDI objects where they are counted.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <optional>
#include <utility>

namespace longrun {

inline int Rounds(int short_run, int long_run) {
  wchar_t value[8] = {};
  return ::GetEnvironmentVariableW(L"STATUSCYCLER_LONG_RUN", value, 8) != 0 ? long_run : short_run;
}

// Every possible value asked about: Wine reports no handle count.
inline int KernelHandles() {
  int count = 0;
  DWORD flags = 0;
  for (ULONG_PTR h = 4; h < 0x10000; h += 4) count += ::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags);
  return count;
}

// USER, then GDI objects; nothing under Wine 8, whose GetGuiResources is a stub (0, ERROR_CALL_NOT_IMPLEMENTED).
inline std::optional<std::pair<DWORD, DWORD>> CountGuiObjects() {
  ::SetLastError(ERROR_SUCCESS);
  const DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  if (user == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return std::nullopt;
  return std::pair(user, ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
}

inline unsigned long long WorkingSetKib() {
  PROCESS_MEMORY_COUNTERS pmc{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.WorkingSetSize / 1024;
}

// One line of figures for scripts/long-runs.sh to pick up.
inline void Report(const char* run, int rounds, int handles_grown, unsigned long long kib_before) {
  std::printf("long_run=%s rounds=%d handles_grown=%d working_set_kib_before=%llu after=%llu\n", run, rounds,
              handles_grown, kib_before, WorkingSetKib());
}

}  // namespace longrun
