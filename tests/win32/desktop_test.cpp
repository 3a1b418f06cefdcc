// The real window among the other programs of a desktop: a shell that is not
// there yet, a WM_NCCREATE that comes from someone else, and a second copy.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/one_copy.h"
#include "platform/win32/handles.h"
#include "tests/common/pump.h"
#include "tests/common/shell_standin.h"
#include "tests/win32/real_window.h"

namespace {

using app::ControlId;
using namespace std::chrono_literals;
using Kernel = platform::win32::Handle<HANDLE, &::CloseHandle>;

using Desktop = realwin::RealWindow;

TEST_F(Desktop, ForeignNcCreateBindsNothingAndMinimizeHidesOnlyBehindAnIcon) {
  // A notification area that refuses the icon until it is up, as at logon, or
  // takes it but is too busy to say so in time.
  enum Shell { kDown, kBusy, kUp };
  Shell state = kDown;
  int taken = 0;
  const testwin::ShellStandIn shell([&](DWORD, const std::uint32_t*) {
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

  // A busy shell takes the icon but says no: the window asks once more, later.
  ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
  state = kBusy;
  Click(ControlId::Command4);
  EXPECT_TRUE(::IsWindowVisible(main) && ::IsIconic(main)) << "hidden on a busy shell's no";
  state = kUp;
  ASSERT_TRUE(testwin::PumpUntil([&] { return !::IsWindowVisible(main); }, 20s))
      << "the busy shell was never asked again";
}

}  // namespace

// The first copy's name opens to the user at medium integrity; where a name
// cannot be opened at all, the first copy's window is found by its class.
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
    // Whoever made it, the user's own copies may map it, and nobody else.
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
