#pragma once
// What a process holds, for the long-run tests. Wine reports neither GDI and
// USER object counts (GetGuiResources) nor a handle count
// (GetProcessHandleCount) — both give 0 — so kernel handles are counted by
// asking about every possible handle value, and memory is the working set.
#include <windows.h>
#include <psapi.h>

#include <cstddef>

namespace soak {

inline int KernelHandleCount() {
  int count = 0;
  for (ULONG_PTR h = 4; h < 0x10000; h += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
  }
  return count;
}

inline std::size_t WorkingSetBytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.WorkingSetSize;
}

// The GDI and USER counts where the platform reports them (real Windows).
inline DWORD GuiObjects() {
  return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS) +
         ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
}

}  // namespace soak
