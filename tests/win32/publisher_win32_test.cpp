// The status publisher against the real registry and a real window of the
// messenger's class, on a thread of its own as the messenger's window would
// be in its own process. HKEY_CURRENT_USER is redirected into a throwaway key
// for the test, so the messenger's fixed paths can be used for real.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win32_os.h"
#include "status/status.h"
#include "tests/win32/registry_scratch.h"
#include "tests/win32/resource_count.h"

namespace {

using platform::Text;
using namespace std::chrono_literals;

constexpr wchar_t kPager[] = L"Software\\Yahoo\\Pager";
constexpr wchar_t kProfiles[] = L"Software\\Yahoo\\Pager\\profiles\\";
constexpr wchar_t kCustomMsgs[] = L"\\Custom Msgs";

class NoProcess final : public platform::Process {
 public:
  void End() override {}
};

struct RealServices {
  NoProcess process;
  platform::win32::Win32Services services{process};
  platform::Services& os = services.os;
};

struct Command {
  WPARAM wparam;
  LPARAM lparam;
  std::wstring stored;  // the profile's value "1" as the window found it
};

// A top-level window of class "YahooBuddyMain" that, like the messenger, reads
// the current profile's custom message when it gets a command. With `hang`,
// its thread stops pumping messages once the window exists.
class BuddyWindow {
 public:
  explicit BuddyWindow(bool hang = false) : hang_(hang), release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    std::promise<HWND> created;
    auto ready = created.get_future();
    thread_ = std::thread([this, &created] { Run(created); });
    hwnd_ = ready.get();
  }
  BuddyWindow(const BuddyWindow&) = delete;
  BuddyWindow& operator=(const BuddyWindow&) = delete;
  ~BuddyWindow() {
    Release();
    if (hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }
  // A hung window starts pumping again.
  void Release() { ::SetEvent(release_.get()); }
  std::vector<Command> commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }

 private:
  static constexpr wchar_t kClass[] = L"YahooBuddyMain";

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<BuddyWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == WM_COMMAND) {
      self->OnCommand(wparam, lparam);
      return 0;
    }
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  void OnCommand(WPARAM wparam, LPARAM lparam) {
    const auto id = scratch::WithoutTerminator(scratch::Get(HKEY_CURRENT_USER, kPager, L"Yahoo! user id").data);
    const auto value = scratch::Get(HKEY_CURRENT_USER, std::wstring(kProfiles) + id + kCustomMsgs, L"1");
    std::lock_guard lock(mutex_);
    commands_.push_back({wparam, lparam, value.found ? scratch::WithoutTerminator(value.data) : L"<none>"});
  }

  void Run(std::promise<HWND>& created) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);  // fails harmlessly when an earlier window registered it
    // The title is deliberately not the messenger's: only the class counts.
    const HWND hwnd = ::CreateWindowExW(0, kClass, L"Some title", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                        wc.hInstance, this);
    created.set_value(hwnd);
    if (hwnd == nullptr) return;
    if (hang_) ::WaitForSingleObject(release_.get(), INFINITE);  // no pumping: a hung messenger
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  }

  struct CloseEvent {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
  };
  bool hang_;
  std::unique_ptr<void, CloseEvent> release_;
  HWND hwnd_ = nullptr;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Command> commands_;
};

class RealPublisher : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(hkcu_.ok()) << "HKEY_CURRENT_USER could not be redirected"; }
  void SetUserId(const std::wstring& id) {
    ASSERT_TRUE(scratch::PutText(HKEY_CURRENT_USER, kPager, L"Yahoo! user id", REG_SZ, id + L'\0'));
  }
  static scratch::Stored Stored(const std::wstring& id) {
    return scratch::Get(HKEY_CURRENT_USER, std::wstring(kProfiles) + id + kCustomMsgs, L"1");
  }
  void Publish(const std::wstring& text) { status::SetMessengerStatus(services_.os, Text(text.begin(), text.end())); }

  scratch::RedirectedCurrentUser hkcu_;
  RealServices services_;
};

TEST_F(RealPublisher, MessengerWindowFindsTheNewTextWhenTheCommandArrives) {
  SetUserId(L"alice");
  BuddyWindow buddy;
  ASSERT_NE(buddy.hwnd(), nullptr);
  std::vector<std::wstring> texts{L"Name", L"Is", L"", L"Is"};
  for (const wchar_t* text : {L"Gr\u00FC\u00DFe \u20AC", L"\u30B9\u30C6\u30FC\u30BF\u30B9"}) {
    if (scratch::FitsAnsiPage(text)) texts.emplace_back(text);
  }
  for (const auto& text : texts) Publish(text);
  const auto commands = buddy.commands();
  ASSERT_EQ(commands.size(), texts.size()) << "one command per publish";
  for (std::size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(commands[i].wparam, 388u) << i;
    EXPECT_EQ(commands[i].lparam, 1) << i;
    EXPECT_EQ(commands[i].stored, texts[i]) << "the window read the registry before the write: " << i;
  }
}

TEST_F(RealPublisher, UserIdWithABackslashDeepensTheProfilePath) {
  SetUserId(L"dom\\carol");
  BuddyWindow buddy;
  Publish(L"deeper");
  EXPECT_TRUE(scratch::KeyExists(HKEY_CURRENT_USER, std::wstring(kProfiles) + L"dom"));
  EXPECT_EQ(scratch::WithoutTerminator(Stored(L"dom\\carol").data), L"deeper");
  ASSERT_EQ(buddy.commands().size(), 1u);
  EXPECT_EQ(buddy.commands()[0].stored, L"deeper");
}

TEST_F(RealPublisher, WithoutAMessengerTheTextIsStillWritten) {
  ASSERT_EQ(::FindWindowW(L"YahooBuddyMain", nullptr), nullptr) << "a messenger window is already open";
  SetUserId(L"alice");
  Publish(L"nobody listens");
  const auto stored = Stored(L"alice");
  ASSERT_TRUE(stored.found);
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(scratch::WithoutTerminator(stored.data), L"nobody listens");
}

TEST_F(RealPublisher, WithoutAUserIdTheCommandIsStillSent) {
  // The empty id leaves "profiles\\Custom Msgs" with two backslashes; the
  // platform decides what becomes of that path (Wine folds the two into one),
  // the publisher only has to try the write and go on to the command.
  BuddyWindow buddy;
  Publish(L"no profile");
  const auto commands = buddy.commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wparam, 388u);
  EXPECT_EQ(commands[0].lparam, 1);
}

TEST_F(RealPublisher, HungMessengerLetsThePublisherGoWithinItsBound) {
  SetUserId(L"alice");
  BuddyWindow hung(/*hang=*/true);
  ASSERT_NE(hung.hwnd(), nullptr);
  // The publisher runs on a thread of its own so that, if it never came back,
  // this test would fail rather than hang. The limit is many times the bound.
  for (const wchar_t* text : {L"first", L"second"}) {
    auto done = std::async(std::launch::async, [this, text] { Publish(text); });
    if (done.wait_for(60s) != std::future_status::ready) {
      hung.Release();  // lets the stuck publisher, and so this test, end
      FAIL() << "the publisher waits on a hung window for ever";
    }
    EXPECT_EQ(scratch::WithoutTerminator(Stored(L"alice").data), text);
  }
  EXPECT_TRUE(hung.commands().empty());
}

}  // namespace

namespace {

TEST_F(RealPublisher, TenThousandPublishesLeaveNoHandleOrMemoryBehind) {
  SetUserId(L"alice");
  BuddyWindow buddy;
  ASSERT_NE(buddy.hwnd(), nullptr);
  // Warm up first: the registry and the message path allocate once.
  for (int i = 0; i < 200; ++i) Publish(L"warm " + std::to_wstring(i));
  const int handles_before = soak::KernelHandleCount();
  const auto memory_before = soak::WorkingSetBytes();
  const auto gui_before = soak::GuiObjects();
  for (int i = 0; i < 10000; ++i) Publish(L"status " + std::to_wstring(i % 5));
  const int handles_after = soak::KernelHandleCount();
  const auto memory_after = soak::WorkingSetBytes();
  EXPECT_EQ(handles_after, handles_before) << "every publish opens and closes its own keys";
  EXPECT_EQ(soak::GuiObjects(), gui_before);
  // Noise from the allocator and the registry cache stays far below this;
  // a leak of even one key's worth of memory per publish does not.
  EXPECT_LT(memory_after, memory_before + 4 * 1024 * 1024)
      << (memory_after - memory_before) / 1024 << " KiB grown over 10,000 publishes";
  EXPECT_EQ(buddy.commands().size(), 10200u);
  EXPECT_EQ(scratch::WithoutTerminator(Stored(L"alice").data), L"status 4");
}

}  // namespace
