#include "app/win32/one_copy.h"

#include <sddl.h>

#include <atomic>
#include <string>

#include "app/win32/styles.h"

namespace app::win32 {
namespace {

using Token = platform::win32::Handle<HANDLE, &::CloseHandle>;

// The user a process runs as, as its SID's text; empty if it cannot be read.
std::wstring UserOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &raw)) return L"";
  const Token token(raw);
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

struct FreeLocal {
  void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
using SecurityDescriptor = platform::Owner<PSECURITY_DESCRIPTOR, FreeLocal>;

// The name is this user's whatever the elevation of the copy that makes it:
// the user's SID alone has access, and the label is medium, so that a copy
// started normally opens what an elevated one made. (By default an elevated
// copy's object grants only Administrators and SYSTEM, and takes a high
// label that keeps a medium copy's writes out.) A copy below medium cannot
// give a medium label, and gets the same without it.
SecurityDescriptor UsersOnly(const std::wstring& sid, bool labelled) {
  const std::wstring sddl = L"D:P(A;;GA;;;" + sid + (labelled ? L")S:(ML;;NW;;;ME)" : L")");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return SecurityDescriptor();
  }
  return SecurityDescriptor(descriptor);
}

// Where the name cannot be opened (an earlier copy made it with a security
// we do not pass), the first copy is found by its window's class. Only a
// window of a process of this user counts: in the same session the class
// may be another user's copy.
HWND FirstWindowOf(const std::wstring& sid) {
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, kWindowClass, nullptr)) != nullptr) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    const Token process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (process && UserOf(process.get()) == sid) return window;
  }
  return nullptr;
}

auto* Slot(void* view) { return static_cast<std::atomic<std::uint64_t>*>(view); }

}  // namespace

OneCopy::OneCopy() {
  // "Local\\" is the session's own namespace.
  const std::wstring sid = UserOf(::GetCurrentProcess());
  const std::wstring name = L"Local\\StatusCycler-" + sid;
  DWORD error = ERROR_SUCCESS;
  for (const bool labelled : {true, false}) {
    const SecurityDescriptor descriptor = UsersOnly(sid, labelled);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    mapping_.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, descriptor ? &attributes : nullptr, PAGE_READWRITE, 0,
                                        sizeof(std::uint64_t), name.c_str()));
    error = ::GetLastError();
    if (mapping_ || error == ERROR_ACCESS_DENIED) break;
  }
  if (!mapping_) {
    // A name we may not open must not keep the program from starting: with
    // no first copy's window to be found, this is the first.
    if (error == ERROR_ACCESS_DENIED) found_ = FirstWindowOf(sid);
    first_ = found_ == nullptr;
    return;
  }
  first_ = error != ERROR_ALREADY_EXISTS;
  view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t)));
  if (!view_) first_ = true;
}

void OneCopy::Announce(HWND window) {
  // A copy that could not reach the first (it was on its way out) takes its
  // place for the starts after it.
  if (view_) Slot(view_.get())->store(reinterpret_cast<UINT_PTR>(window));
}

bool OneCopy::BringBackFirst() const {
  if (!view_ && found_ == nullptr) return false;
  // The first copy may still be making its window.
  HWND window = found_;
  for (int tries = 0; window == nullptr && tries < 200; ++tries) {
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
