#include "platform/win32/system_dll.h"

#include <string>

namespace platform::win32 {
namespace {

// Came with Windows 8, and to Windows 7 and Vista with KB2533623. Where it is
// missing, so is LoadLibraryExW's LOAD_LIBRARY_SEARCH_SYSTEM32, which such a
// system rejects as an invalid flag.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesOfKernel32() {
  return reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

bool SearchFlagsTaken() {
  static const bool taken = SetDefaultDllDirectoriesOfKernel32() != nullptr;
  return taken;
}

}  // namespace

void LoadDllsFromSystem32Only() noexcept {
  if (const auto set_default = SetDefaultDllDirectoriesOfKernel32()) {
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  } else {
    // All that such a system allows: the current folder leaves the search,
    // the program's own stays first in it.
    ::SetDllDirectoryW(L"");
  }
}

HMODULE SystemDll(const wchar_t* dll) noexcept {
  if (SearchFlagsTaken()) return ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // By full path; the altered search then looks for the DLLs it imports in
  // system32, where it is, before the program's folder.
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  try {
    const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace platform::win32
