#pragma once
// The DLLs the program loads itself, always Windows' own copies from system32.
//
// Windows looks for a DLL beside the program before it looks in system32,
// unless the DLL is one it pins there (the KnownDLLs, comctl32 through the
// manifest). A portable program is run from folders other people can write
// to, Downloads say, where a DLL of the same name would run inside it. So the
// program imports at load time only pinned DLLs and takes every other one
// from here.
#include <windows.h>

namespace platform::win32 {

// From now on every DLL the process loads by name, and every DLL those load
// in turn, comes from system32 only. The first thing the program does.
void LoadDllsFromSystem32Only() noexcept;

// System32's `dll`, loaded and kept for the life of the process (each caller
// keeps what it looks up); null where that Windows has none.
HMODULE SystemDll(const wchar_t* dll) noexcept;

// The function `name` of system32's `dll`, of the type the caller declares
// (`SystemProc<decltype(::GetAdaptersAddresses)>`); null where that Windows
// lacks it. Kept loaded, so the pointer stays good.
template <typename F>
F* SystemProc(const wchar_t* dll, const char* name) noexcept {
  const HMODULE module = SystemDll(dll);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace platform::win32
