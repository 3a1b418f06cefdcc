// The identity lookups and the local address against the real calls.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "identity/Mod1.h"
#include "platform/win32/win32_os.h"
#include "tests/common/text.h"

namespace {

TEST(IdentityWin32, LookupsAgreeWithTheWideCalls) {
  platform::win32::Win32Identity identity;
  platform::win32::Win32Ansi ansi;
  wchar_t user[256] = {};
  DWORD size = 256;
  ASSERT_TRUE(::GetUserNameW(user, &size));
  wchar_t computer[256] = {};
  size = 256;
  ASSERT_TRUE(::GetComputerNameW(computer, &size));
  const auto got_user = Mod1::GetLoggedOnUser(identity, ansi);
  const auto got_computer = Mod1::GetMachineName(identity, ansi);
  EXPECT_EQ(std::wstring(got_user.begin(), got_user.end()), user);
  EXPECT_EQ(std::wstring(got_computer.begin(), got_computer.end()), computer);
  EXPECT_FALSE(got_user.empty());
}

TEST(IdentityWin32, LocalAddressIsAnUpNonLoopbackIPv4OfThisMachine) {
  // The oracle is the older adapter list, a different call from the one the
  // program uses.
  ULONG size = 0;
  ::GetAdaptersInfo(nullptr, &size);
  std::vector<unsigned char> buffer(size + 1);
  std::set<std::string> addresses;
  if (size != 0 && ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size) == NO_ERROR) {
    for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); a != nullptr; a = a->Next) {
      for (auto* ip = &a->IpAddressList; ip != nullptr; ip = ip->Next) {
        const std::string text = ip->IpAddress.String;
        if (text != "0.0.0.0" && text.rfind("127.", 0) != 0) addresses.insert(text);
      }
    }
  }
  const auto got = platform::win32::LocalIPv4();
  const std::string text = testtext::Show(got);
  if (addresses.empty()) {
    EXPECT_EQ(text, "");
    GTEST_SKIP() << "this machine has no network adapter with an address";
  }
  EXPECT_EQ(addresses.count(text), 1u) << "got " << text;
  in_addr parsed{};
  EXPECT_EQ(::inet_pton(AF_INET, text.c_str(), &parsed), 1) << text;
}

TEST(IdentityWin32, AnsiConversionRoundTripsTheCodePage) {
  platform::win32::Win32Ansi ansi;
  if (::GetACP() != 1252) GTEST_SKIP() << "code page " << ::GetACP();
  const platform::Text text = u"Caf\u00E9 \u20AC \u00FF";
  EXPECT_EQ(ansi.ToAnsi(text), "Caf\xE9 \x80 \xFF");
  EXPECT_EQ(ansi.FromAnsi("Caf\xE9 \x80 \xFF"), text);
  EXPECT_EQ(ansi.ToAnsi(u"\u4E2D"), "?") << "a character outside the page becomes the default character";
}

}  // namespace
