#include "app/win32/one_copy.h"

#include <sddl.h>

#include <atomic>
#include <string>

#include "app/win32/styles.h"

namespace app::win32 {
namespace {

// The user's SID as text: the name is per user as well as per session, so a
// copy that another user starts in the same session (runas) is its own.
std::wstring UserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return L"";
  const platform::win32::Handle<HANDLE, &::CloseHandle> token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return L"";
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return L"";
  std::wstring sid(text);
  ::LocalFree(text);
  return sid;
}

auto* Slot(void* view) { return static_cast<std::atomic<std::uint64_t>*>(view); }

}  // namespace

OneCopy::OneCopy() {
  // "Local\" is the session's own namespace. A name that another user has
  // taken away from us (access denied) must not keep the program from
  // starting: it then runs as a first copy.
  const std::wstring name = L"Local\\StatusCycler-" + UserSid();
  mapping_.reset(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(std::uint64_t), name.c_str()));
  if (!mapping_) return;
  first_ = ::GetLastError() != ERROR_ALREADY_EXISTS;
  view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t)));
  if (!view_) first_ = true;
}

void OneCopy::Announce(HWND window) {
  // A copy that could not reach the first (it was on its way out) takes its
  // place for the starts after it.
  if (view_) Slot(view_.get())->store(reinterpret_cast<UINT_PTR>(window));
}

bool OneCopy::BringBackFirst() const {
  if (!view_) return false;
  // The first copy may still be making its window.
  HWND window = nullptr;
  for (int tries = 0; tries < 200; ++tries) {
    window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(Slot(view_.get())->load()));
    wchar_t cls[64] = {};
    if (window != nullptr && ::GetClassNameW(window, cls, 64) && std::wstring(cls) == kWindowClass) break;
    window = nullptr;
    ::Sleep(50);
  }
  if (window == nullptr) return false;
  // We were started by the user and may put a window in front; the first
  // copy may only if we let it.
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  ::AllowSetForegroundWindow(pid);
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutW(window, ::RegisterWindowMessageW(kStartedAgainMessage), 0, 0, SMTO_ABORTIFHUNG, 5000,
                               &answer) != 0;
}

}  // namespace app::win32
