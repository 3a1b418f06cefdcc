// The real window among the other programs of a desktop: a messenger that
// clicks our buttons while it handles our command, a shell that is not there
// yet, and a WM_NCCREATE that comes from someone else.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/win32/one_copy.h"
#include "platform/win32/handles.h"
#include "tests/common/pump.h"
#include "tests/win32/real_window.h"

namespace {

using app::ControlId;
using namespace std::chrono_literals;
using Kernel = platform::win32::Handle<HANDLE, &::CloseHandle>;

// A top-level window of another program: a class of its own on a thread of
// its own, each message answered by `answer` (0: as by default).
class OtherProgram {
 public:
  using Answer = std::function<LRESULT(UINT msg, WPARAM wparam, LPARAM lparam)>;
  OtherProgram(const wchar_t* cls, Answer answer) : cls_(cls), answer_(std::move(answer)), thread_([this] { Run(); }) {
    testwin::PumpUntil([this] { return hwnd_.load() != nullptr; });
  }
  ~OtherProgram() {
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  void Run() {
    const WNDCLASSW wc{0, &Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, cls_};
    ::RegisterClassW(&wc);
    const HWND hwnd = ::CreateWindowExW(0, cls_, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, this);
    hwnd_ = hwnd;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::UnregisterClassW(cls_, nullptr);
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    auto* self = reinterpret_cast<OtherProgram*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const LRESULT answer = self != nullptr && msg != WM_NCCREATE ? self->answer_(msg, wparam, lparam) : 0;
    return answer != 0 ? answer : ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  const wchar_t* cls_;
  Answer answer_;
  std::atomic<HWND> hwnd_{nullptr};
  std::thread thread_;
};

std::wstring StoredStatus() {
  wchar_t text[64] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Yahoo\\Pager\\profiles\\desk\\Custom Msgs", L"1", RRF_RT_REG_SZ,
                 nullptr, text, &size);
  return text;
}

class Desktop : public realwin::RealWindow {
 protected:
  void SetUp() override {
    RealWindow::SetUp();
    const std::wstring id = L"desk";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Yahoo\\Pager", L"Yahoo! user id", REG_SZ, id.c_str(),
                      static_cast<DWORD>((id.size() + 1) * sizeof(wchar_t)));
  }
  bool RotationArmed() {
    for (const auto id :
         {ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4, ControlId::Timer5})
      if (window_.Controls().Timer(id).IsEnabled()) return true;
    return false;
  }
};

// That an Exit in the same place ends the rotation is the portable test's: the
// real window's timers go with it, so here it could not fail.
TEST_F(Desktop, StopClickedWhileTheMessengerHandlesTheCommandEndsTheRotation) {
  // On its second command the messenger clicks Stop, and waits for that to be
  // handled before it returns.
  std::atomic<int> commands = 0;
  const HWND main = window_.hwnd(), stop = Control(ControlId::Command2);
  const OtherProgram messenger(L"YahooBuddyMain", [&](UINT msg, WPARAM wparam, LPARAM) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(wparam) == 388 && ++commands == 2) {
      ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(stop), BN_CLICKED), reinterpret_cast<LPARAM>(stop));
    }
    return 0;
  });
  Click(ControlId::Command1);
  // Our thread is inside the tick, waiting on the messenger, until its
  // second command has returned: once that is seen here, the tick is over.
  ASSERT_TRUE(testwin::PumpUntil([&] { return commands >= 2; }, 20s));
  EXPECT_FALSE(RotationArmed()) << "the tick handed its turn on after the click";
  EXPECT_TRUE(::IsWindowEnabled(Control(ControlId::txt1))) << "Stop did not unlock the boxes";
  // A whole turn of the title, 39 ticks of the window's own 100 ms timer, in
  // which a turn handed on would have published again.
  std::size_t last = realwin::TextOf(main).size(), wraps = 0;
  const std::size_t from = last;
  ASSERT_TRUE(testwin::PumpUntil(
      [&] {
        const std::size_t now = realwin::TextOf(main).size();
        wraps += now < std::exchange(last, now);
        return wraps > 0 && now >= from;
      },
      30s));
  EXPECT_EQ(commands, 2);
  EXPECT_EQ(StoredStatus(), L"Is");
}

TEST_F(Desktop, ForeignNcCreateBindsNothingAndMinimizeHidesOnlyBehindAnIconAndTheWindowWorksOnHidden) {
  // A notification area that refuses the icon until it is up, as one at logon
  // does, or takes it but is too busy to say so in time; the program's
  // requests reach it as Wine's Shell_NotifyIcon sends them.
  enum Shell { kDown, kBusy, kUp };
  std::atomic<Shell> state = kDown;
  std::atomic<int> taken = 0;
  const OtherProgram shell(L"Shell_TrayWnd", [&](UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg != WM_COPYDATA) return 0;
    taken += state != kDown ? 1 : 0;
    return state == kUp ? TRUE : FALSE;
  });
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd()) << "Wine's own shell would get the requests";
  const HWND main = window_.hwnd();
  // A WM_NCCREATE from someone else, whatever it carries, binds the window to nothing.
  CREATESTRUCTW elsewhere{};
  elsewhere.lpCreateParams = reinterpret_cast<void*>(0x10);
  ::SendMessageW(main, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&elsewhere));
  Click(ControlId::Command1);
  ASSERT_FALSE(::IsWindowEnabled(Control(ControlId::txt1))) << "Start no longer reaches the window's handlers";
  Click(ControlId::Command4);
  EXPECT_TRUE(::IsWindowVisible(main) && ::IsIconic(main)) << "hidden with no icon to bring it back";

  // A shell announces itself: the icon goes in, and the window behind it.
  state = kUp;
  ::SendMessageW(main, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(taken, 1);
  ASSERT_FALSE(::IsWindowVisible(main));

  // A busy shell takes the icon but says no: a while later the window asks
  // once more, and goes behind the icon it finds there.
  ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
  state = kBusy;
  Click(ControlId::Command4);
  EXPECT_TRUE(::IsWindowVisible(main) && ::IsIconic(main)) << "hidden on a busy shell's no";
  state = kUp;
  ASSERT_TRUE(testwin::PumpUntil([&] { return !::IsWindowVisible(main); }, 20s))
      << "the busy shell was never asked again";

  // Hidden, the title scrolls on and the statuses go on reaching the messenger's setting.
  std::vector<std::wstring> captions, statuses;
  const auto note = [](std::vector<std::wstring>& seen, const std::wstring& now) {
    if (seen.empty() || seen.back() != now) seen.push_back(now);
  };
  EXPECT_TRUE(testwin::PumpUntil(
      [&] {
        note(captions, realwin::TextOf(main));
        note(statuses, StoredStatus());
        return captions.size() > 5 && statuses.size() > 2;
      },
      20s))
      << captions.size() << " captions and " << statuses.size() << " statuses while hidden";
}

}  // namespace

// A second start of the same user finds the first copy whatever the
// elevation of either: the name the first holds opens to the user at medium
// integrity, and where a name cannot be opened at all (made by an earlier
// copy with a security this one does not pass) the first copy's window is
// found by its class.
TEST_F(Desktop, ASecondStartOfTheUserFindsTheFirstCopyWhateverTheElevationOfEither) {
  HANDLE raw = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
  const Kernel token(raw);
  alignas(TOKEN_USER) unsigned char user[256];
  DWORD size = 0;
  ASSERT_TRUE(::GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size));
  const PSID sid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
  wchar_t* text = nullptr;
  ASSERT_TRUE(::ConvertSidToStringSidW(sid, &text));
  const std::wstring name = std::wstring(L"Local\\StatusCycler-") + text;
  ::LocalFree(text);
  {
    const app::win32::OneCopy first;
    ASSERT_TRUE(first.first());
    const Kernel held(::OpenFileMappingW(READ_CONTROL, FALSE, name.c_str()));
    PACL dacl = nullptr, sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(held.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                                nullptr, nullptr, &dacl, &sacl, &descriptor),
              ERROR_SUCCESS);
    // Whoever the copy that made it runs as, the user's own copies may map
    // it, and nobody else may.
    bool user_maps = false, others = false, medium = false;
    for (WORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
      ACCESS_ALLOWED_ACE* ace = nullptr;
      if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
        continue;
      const bool mine = ::EqualSid(&ace->SidStart, sid);
      user_maps |= mine && (ace->Mask & GENERIC_ALL ||
                            (ace->Mask & (FILE_MAP_READ | FILE_MAP_WRITE)) == (FILE_MAP_READ | FILE_MAP_WRITE));
      others |= !mine;
    }
    // A label no higher than medium lets a copy started normally in.
    for (WORD i = 0; sacl != nullptr && i < sacl->AceCount; ++i) {
      SYSTEM_MANDATORY_LABEL_ACE* ace = nullptr;
      if (::GetAce(sacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
        medium = *::GetSidSubAuthority(&ace->SidStart, 0) <= SECURITY_MANDATORY_MEDIUM_RID;
    }
    ::LocalFree(descriptor);
    EXPECT_TRUE(user_maps && !others) << "the name is not the user's alone";
    EXPECT_TRUE(medium) << "a copy started normally could not open what an elevated one made";
  }
  // A name nobody may open; the first copy's window is hidden behind its icon.
  PSECURITY_DESCRIPTOR nobody = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, &nobody, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nobody, FALSE};
  const Kernel denied(::CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, 8, name.c_str()));
  ::LocalFree(nobody);
  ASSERT_TRUE(denied);
  ::ShowWindow(window_.hwnd(), SW_HIDE);
  const app::win32::OneCopy later;
  EXPECT_FALSE(later.first()) << "a name this copy may not open made it a first copy beside the first";
  EXPECT_TRUE(later.BringBackFirst());
  EXPECT_TRUE(::IsWindowVisible(window_.hwnd())) << "the first copy's window was not brought back";
}
