// A DLL left beside the program under a system DLL's name: loaded, it leaves
// "<its name>.ran" beside itself and refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t sign[MAX_PATH + 4] = {};
  const DWORD length = ::GetModuleFileNameW(self, sign, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  ::lstrcatW(sign, L".ran");
  const HANDLE file = ::CreateFileW(sign, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  return FALSE;
}
