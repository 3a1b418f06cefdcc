// The program's operating-system calls against the real ones (Wine's): the
// registry bytes, the messenger command to a real window of its class in
// another thread, hung or not, the identity lookups and the local address.
// What is stored is read back through the wide API, which sees the bytes
// without the ANSI conversion the program goes through.
#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <initializer_list>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "identity/Mod1.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_os.h"
#include "status/status.h"
#include "tests/common/text.h"
#include "tests/win32/long_run.h"

namespace {

using platform::Text;
using platform::win32::RegistryKey;
using namespace std::chrono_literals;

Text T(const std::wstring& w) { return Text(w.begin(), w.end()); }

// A throwaway key under HKEY_CURRENT_USER for one test.
class ScratchKey {
 public:
  ScratchKey() : path_(L"Software\\StatusCyclerTest\\" + std::to_wstring(::GetCurrentProcessId())) {}
  ~ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\StatusCyclerTest"); }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  std::wstring path(const std::wstring& below = L"") const { return below.empty() ? path_ : path_ + L"\\" + below; }

 private:
  std::wstring path_;
};

struct Stored {
  DWORD type = REG_NONE;
  std::wstring units;  // every stored UTF-16 unit, less one terminating NUL
};

Stored Get(const std::wstring& path, const wchar_t* name) {
  Stored out;
  DWORD size = 0;
  const DWORD any = RRF_RT_ANY | RRF_NOEXPAND;
  if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, any, &out.type, nullptr, &size) != ERROR_SUCCESS) return out;
  out.units.resize(size / sizeof(wchar_t));
  ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, any, nullptr, out.units.data(), &size);
  out.units.resize(size / sizeof(wchar_t));
  if (!out.units.empty() && out.units.back() == L'\0') out.units.pop_back();
  return out;
}

void Put(const std::wstring& path, const wchar_t* name, DWORD type, const std::wstring& units) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, type, units.data(),
                    static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

// Whether the ANSI code page holds every character, so the text can come back.
bool FitsAnsiPage(const std::wstring& text) {
  BOOL lossy = FALSE;
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                        &lossy);
  return !lossy;
}

class RealRegistry : public ::testing::Test {
 protected:
  Text Read(const wchar_t* name, const std::wstring& below = L"") {
    return status::RegReadString(registry_, ansi_, platform::kHkeyCurrentUser, T(key_.path(below)), T(name), u"dflt");
  }
  void Write(const wchar_t* name, const std::wstring& text, const std::wstring& below = L"") {
    status::RegWriteString(registry_, ansi_, platform::kHkeyCurrentUser, T(key_.path(below)), T(name), T(text));
  }
  ScratchKey key_;
  platform::win32::Win32Registry registry_;
  platform::win32::Win32Ansi ansi_;
};

TEST_F(RealRegistry, StringsAreStoredAsTheirTextAndReadBackUpToTheirFirstNul) {
  // Run once more under a double-byte page by the build, where the Japanese
  // text is three characters but six bytes: a count of characters cuts it.
  for (const std::wstring& text : std::initializer_list<std::wstring>{
           L"abc", L"", std::wstring(40000, L'w'), L"Gr\u00FC\u00DFe \u20AC", L"\u65E5\u672C\u8A9E", L"a longer text", L"xy"}) {
    if (!FitsAnsiPage(text)) continue;
    Write(L"V", text, L"a\\b\\c");
    const Stored stored = Get(key_.path(L"a\\b\\c"), L"V");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(testtext::Show(stored.units), testtext::Show(text)) << "the platform may add one NUL, no more";
    EXPECT_EQ(Read(L"V", L"a\\b\\c"), T(text)) << "an empty value reads as empty, not as the default";
  }
  Put(key_.path(), L"N", REG_DWORD, L"77");
  Write(L"N", L"now text");
  EXPECT_EQ(Read(L"N"), u"now text");

  Put(key_.path(), L"cut", REG_SZ, std::wstring(L"ab\0cd", 5));
  Put(key_.path(), L"expand", REG_EXPAND_SZ, std::wstring(L"%SystemRoot%\0", 13));
  Put(key_.path(), L"multi", REG_MULTI_SZ, std::wstring(L"one\0two\0\0", 9));
  Put(key_.path(), L"binary", REG_BINARY, L"ab");
  Put(key_.path(), L"dword", REG_DWORD, L"77");
  EXPECT_EQ(Read(L"cut"), u"ab");
  for (const wchar_t* name : {L"expand", L"multi", L"binary", L"dword", L"missing"}) {
    EXPECT_EQ(Read(name), u"dflt") << testtext::Show(std::wstring(name));
  }
  EXPECT_EQ(Read(L"V", L"no\\such\\key"), u"dflt");
}

// A top-level window of the messenger's class on a thread of its own that,
// like the messenger, reads the current profile's value "1" when it gets a
// command. Hung, its thread never pumps.
class BuddyWindow {
 public:
  explicit BuddyWindow(bool hung = false) : hung_(hung) {
    std::promise<HWND> created;
    auto ready = created.get_future();
    thread_ = std::thread([this, &created] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"YahooBuddyMain";
      ::RegisterClassW(&wc);  // already there after the first window
      // Only the class counts, not the title.
      const HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"any title", 0, 0, 0, 10, 10, nullptr, nullptr,
                                          wc.hInstance, this);
      created.set_value(hwnd);
      while (hung_) std::this_thread::sleep_for(10ms);
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    });
    hwnd_ = ready.get();
  }
  ~BuddyWindow() {
    hung_ = false;
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  BuddyWindow(const BuddyWindow&) = delete;
  BuddyWindow& operator=(const BuddyWindow&) = delete;
  // wParam, lParam and the stored text, for each command received.
  std::vector<std::wstring> commands() const {
    const std::lock_guard lock(mutex_);
    return commands_;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<BuddyWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && self != nullptr) {
      const std::wstring id = Get(L"Software\\Yahoo\\Pager", L"Yahoo! user id").units;
      const Stored status = Get(L"Software\\Yahoo\\Pager\\profiles\\" + id + L"\\Custom Msgs", L"1");
      const std::lock_guard lock(self->mutex_);
      self->commands_.push_back(std::to_wstring(wparam) + L"," + std::to_wstring(lparam) + L":" + status.units);
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  std::atomic<bool> hung_;
  HWND hwnd_ = nullptr;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::wstring> commands_;
};

class RealPublisher : public ::testing::Test {
 protected:
  // HKEY_CURRENT_USER of this process redirected into a scratch key, so the
  // messenger's fixed paths are used for real without touching the user's.
  void SetUp() override {
    HKEY raw = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, key_.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    redirect_.reset(raw);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, redirect_.get()), ERROR_SUCCESS);
  }
  void TearDown() override { ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr); }
  void SetUserId(const std::wstring& id) { Put(L"Software\\Yahoo\\Pager", L"Yahoo! user id", REG_SZ, id + L'\0'); }
  void Publish(const std::wstring& text) { status::SetMessengerStatus(services_.os, T(text)); }

  struct NoEnd final : platform::Process {
    void End() override {}
  } no_end_;
  platform::win32::Win32Services services_{no_end_};
  ScratchKey key_;
  RegistryKey redirect_;
};

TEST_F(RealPublisher, MessengerFindsEachNewTextWhenItsCommandArrives) {
  SetUserId(L"alice");
  {
    BuddyWindow buddy;
    for (const wchar_t* text : {L"Name", L"", L"Is"}) Publish(text);
    SetUserId(L"dom\\carol");  // a backslash in the id deepens the path
    Publish(L"deeper");
    const std::vector<std::wstring> expected{L"388,1:Name", L"388,1:", L"388,1:Is", L"388,1:deeper"};
    EXPECT_EQ(buddy.commands(), expected);
    // Many more hold on to no handle: every key is closed.
    const int rounds = longrun::Rounds(300, 10000);
    const int before = longrun::KernelHandles();
    const auto kib = longrun::WorkingSetKib();
    for (int i = 0; i < rounds; ++i) Publish(L"status " + std::to_wstring(i % 5));
    EXPECT_EQ(longrun::KernelHandles(), before);
    EXPECT_EQ(buddy.commands().size(), 4u + static_cast<std::size_t>(rounds));
    longrun::Report("publish", rounds, longrun::KernelHandles() - before, kib);
  }
}

TEST_F(RealPublisher, HungMessengerIsLeftBehindWithTheTextWritten) {
  SetUserId(L"alice");
  BuddyWindow hung(/*hung=*/true);
  // On a thread of its own, so that a publisher that never came back fails
  // this test instead of hanging it; the limit is many times the bound.
  for (const wchar_t* text : {L"first", L"second"}) {
    auto done = std::async(std::launch::async, [this, text] { Publish(text); });
    ASSERT_EQ(done.wait_for(60s), std::future_status::ready) << "the publisher waits on a hung window for ever";
    EXPECT_EQ(Get(L"Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", L"1").units, text);
  }
}

TEST(RealIdentity, LookupsAndAddressAgreeWithOtherCalls) {
  platform::win32::Win32Identity identity;
  platform::win32::Win32Ansi ansi;
  wchar_t user[256] = {};
  wchar_t computer[256] = {};
  DWORD size = 256;
  ASSERT_TRUE(::GetUserNameW(user, &size));
  size = 256;
  ASSERT_TRUE(::GetComputerNameW(computer, &size));
  EXPECT_EQ(Mod1::GetLoggedOnUser(identity, ansi), T(user));
  EXPECT_EQ(Mod1::GetMachineName(identity, ansi), T(computer));

  // The older adapter list, a different call from the program's, as oracle.
  ULONG bytes = 0;
  ::GetAdaptersInfo(nullptr, &bytes);
  std::vector<unsigned char> buffer(bytes + 1);
  std::set<std::string> addresses;
  if (::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &bytes) == NO_ERROR) {
    for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); a != nullptr; a = a->Next) {
      for (auto* ip = &a->IpAddressList; ip != nullptr; ip = ip->Next) {
        const std::string text = ip->IpAddress.String;
        if (text != "0.0.0.0" && text.rfind("127.", 0) != 0) addresses.insert(text);
      }
    }
  }
  const std::string address = testtext::Show(platform::win32::LocalIPv4());
  EXPECT_TRUE(addresses.empty() ? address.empty() : addresses.count(address) == 1) << address;
}

}  // namespace
