// What someone may leave beside the program under the name of a system DLL.
// Loaded, it leaves a sign beside itself, a file of its own name with ".ran"
// after it, and refuses to stay.
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
