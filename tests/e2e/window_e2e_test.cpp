// The real program driven as a user drives it: start-up, keyboard, writer, online check, foreign messages.
#include <gtest/gtest.h>

#include <regex>

#include "presence/presence.h"
#include "tests/common/http_listener.h"
#include "tests/common/text.h"
#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;
using testtext::Show;
using testwin::FocusOf;
using testwin::PumpUntil;

namespace {

TEST(StartupE2E, WindowGreetsScrollsWritesAndShrugsOffForeignMessages) {
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  // The names as the wide calls give them, which the program asks in the ANSI page.
  wchar_t user[256] = {}, computer[256] = {};
  DWORD size = 256;
  ::GetUserNameW(user, &size);
  size = 256;
  ::GetComputerNameW(computer, &size);
  const std::wstring welcome = app.Text(ControlId::Label1);
  EXPECT_TRUE(
      welcome.starts_with(std::wstring(L"Hello: ") + user + L"!      On computer: " + computer + L"       IP is: "))
      << Show(welcome);
  EXPECT_EQ(FocusOf(app.main()), app.Control(ControlId::txt1));
  const std::wstring banner = L"For Tamsivorlen. Made by Quorbelline !";
  EXPECT_TRUE(PumpUntil([&] { return app.Caption().size() > 3 && banner.starts_with(app.Caption()); }))
      << "the title does not run through the banner: " << Show(app.Caption());

  app.Click(ControlId::Text1);
  app.Key(VK_HOME);
  app.Key(VK_END, {VK_SHIFT});  // over the selected prompt
  app.Type(L"ah/");
  ASSERT_TRUE(PumpUntil([&] { return app.Text(ControlId::Text1) == L"/"; })) << Show(app.Text(ControlId::Text1));
  EXPECT_EQ(Show(app.Text(ControlId::Text3)), "@|-|");

  for (UINT base : {UINT{WM_APP}, UINT{WM_USER}})
    for (UINT msg = base; msg < base + 8; ++msg)
      for (LPARAM junk : {LPARAM{0}, LPARAM{0x10}, LPARAM{-1}, static_cast<LPARAM>(0xDEADBEEF)})
        ::PostMessageW(app.main(), msg, static_cast<WPARAM>(junk), junk);
  // Still itself once every posted message is handled (a later tick): scrolling, no error box.
  const std::wstring before = app.Caption();
  EXPECT_TRUE(PumpUntil([&] { return app.Caption() != before; }, 5s));
  EXPECT_TRUE(app.process().running());
  EXPECT_EQ(e2e::FindProcessWindow(app.process().pid(), L"#32770"), nullptr);
}

// Start greys the status boxes and Stop gives them back.
bool Rotating(const e2e::App& app) { return !::IsWindowEnabled(app.Control(ControlId::txt1)); }

TEST(StartupE2E, EnterAndSpaceClickTheFocusedButtonHoweverItGotTheFocusAndEnterInABoxClicksNone) {
  E2E_MAY_PUBLISH();
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  const auto rotates = [&](bool on) { return PumpUntil([&] { return Rotating(app) == on; }, 5s); };
  app.Click(ControlId::txt5);
  app.Key(VK_TAB), app.Key(VK_RETURN);
  EXPECT_TRUE(rotates(true)) << "Tab to Start, Enter";
  app.Key(VK_TAB), app.Key(VK_SPACE);
  EXPECT_TRUE(rotates(false)) << "Tab to Stop, Space";
  const HWND stop = app.Control(ControlId::Command2);
  ASSERT_EQ(::GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "Tab made Stop the default button";

  // A press on Start that slides off clicks nothing but focuses it; Enter then clicks Start, not Stop.
  app.Press(ControlId::Command1, ControlId::Frame1);
  EXPECT_FALSE(Rotating(app));
  app.Key(VK_RETURN);
  EXPECT_TRUE(rotates(true)) << "press, slide off, Enter";
  app.Key('T', {VK_MENU});
  EXPECT_TRUE(rotates(false)) << "Alt+T";
  app.Key('S', {VK_MENU});
  EXPECT_TRUE(rotates(true)) << "Alt+S";

  // Enter in a box clicks no button, the default Stop included, rotating (Text4) or not; read once a later key is in.
  for (const ControlId box : {ControlId::Text4, ControlId::txt1}) {
    app.Click(box);
    ASSERT_EQ(::GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    const std::wstring before = app.Text(box);
    const bool rotating = Rotating(app);
    app.Key(VK_RETURN);
    app.Type(L"x");
    ASSERT_TRUE(PumpUntil([&] { return app.Text(box) != before; })) << "the key after Enter never came";
    EXPECT_EQ(Rotating(app), rotating) << "Enter in " << app::Spec(box).name << " clicked a button";
    if (rotating) {
      app.Key('T', {VK_MENU});
      ASSERT_TRUE(rotates(false)) << "Alt+T";
    }
  }

  app.Key('X', {VK_MENU});
  EXPECT_EQ(app.process().WaitExit(10s), 0) << "Alt+X";
}

// The service holds its answers: the page is still loading, the browser at its busiest, when the window goes.
TEST(PresenceE2E, TypedNameReachesTheServiceAsTheOneValueOfUTheKeysWorkAfterTheBrowserAndExitWhileLoadingIsClean) {
  const std::u16string_view host = presence::Host();
  ASSERT_TRUE(host.starts_with(u"127.0.0.1:")) << "configure the tests with -DPRESENCE_HOST=127.0.0.1:<port>";
  const testhttp::HttpListener service(
      static_cast<unsigned short>(std::stoi(std::wstring(host.begin() + 10, host.end()))));
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  const std::u16string name = u"Zo\u00EB a&b=c #1";
  app.Click(ControlId::Text4);
  app.Type(std::wstring(name.begin(), name.end()));
  app.Click(ControlId::Command5);
  ASSERT_TRUE(PumpUntil([&] { return !service.lines().empty(); }, 30s))
      << "no request reached the service (is its port taken?)";
  std::smatch request;
  const std::string line = service.lines().front();
  ASSERT_TRUE(std::regex_match(line, request, std::regex("GET /online\\?u=([^&=# +]*) HTTP/1\\.1")))
      << "not one whole value of u: " << line;
  EXPECT_EQ(testtext::PercentDecode(request[1].str()).value_or("<bad escape>"), testtext::Utf8(name)) << line;
  app.Click(ControlId::Command5);
  EXPECT_TRUE(PumpUntil([&] { return service.lines().size() == 2; }, 30s)) << "the same name was not asked again";

  // The browser comes after Command5 in the keyboard order, and txt1 after it.
  const HWND browser = app.Control(ControlId::WebBrowser1);
  app.Key(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return ::IsChild(browser, FocusOf(app.main())); })) << "Tab from Command5";
  app.Key(VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return FocusOf(app.main()) == app.Control(ControlId::txt1); })) << "Tab from the browser";
  app.Key(VK_TAB, {VK_SHIFT});
  ASSERT_TRUE(PumpUntil([&] { return ::IsChild(browser, FocusOf(app.main())); })) << "Shift+Tab from txt1";
  app.Key('X', {VK_MENU});
  EXPECT_EQ(app.process().WaitExit(30s), 0) << "Alt+X from the browser, the page loading: a hang, a crash or a box";
}

}  // namespace
