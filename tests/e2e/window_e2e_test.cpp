// The real program driven as a user drives it: start-up, the keyboard, the
// Ascii writer, the online check, and what another program may post to it.
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

TEST(StartupE2E, WindowGreetsScrollsItsTitleAndFocusesTxtOne) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr) << "the window never showed its welcome line";
  const std::wstring welcome = app.Text(ControlId::Label1);
  EXPECT_TRUE(std::regex_match(welcome, std::wregex(L"Hello: .*! {6}On computer: .* {7}IP is: .*"))) << Show(welcome);
  EXPECT_EQ(FocusOf(app.main()), app.Control(ControlId::txt1));
  const std::wstring banner = L"For Tamsivorlen. Made by Quorbelline !";
  EXPECT_TRUE(PumpUntil([&] { return app.Caption().size() > 3 && banner.starts_with(app.Caption()); }))
      << "the title does not run through the banner: " << Show(app.Caption());
}

// Start greys the status boxes and Stop gives them back: what a user sees of
// which of the two buttons ran last.
bool Rotating(const e2e::App& app) { return !::IsWindowEnabled(app.Control(ControlId::txt1)); }

TEST(StartupE2E, EnterAndSpaceClickTheFocusedButtonHoweverItGotTheFocusAndNoOther) {
  E2E_MAY_PUBLISH();
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::txt5);
  app.Key(VK_TAB);
  app.Key(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return Rotating(app); }, 5s)) << "Tab to Start, Enter";
  app.Key(VK_TAB);
  app.Key(VK_SPACE);
  EXPECT_TRUE(PumpUntil([&] { return !Rotating(app); }, 5s)) << "Tab to Stop, Space";

  // A press on Start that slides off before the release clicks nothing but
  // leaves Start focused; Enter then clicks it, and not Stop, which Tab last
  // made the default button.
  app.Press(ControlId::Command1, ControlId::Frame1);
  EXPECT_FALSE(Rotating(app));
  app.Key(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return Rotating(app); }, 5s)) << "press, slide off, Enter";

  app.Key('T', {VK_MENU});
  EXPECT_TRUE(PumpUntil([&] { return !Rotating(app); }, 5s)) << "Alt+T";
  app.Key('S', {VK_MENU});
  EXPECT_TRUE(PumpUntil([&] { return Rotating(app); }, 5s)) << "Alt+S";
  app.Key('T', {VK_MENU});
  ASSERT_TRUE(PumpUntil([&] { return !Rotating(app); }, 5s));

  // Enter in a text box clicks no button; read once a key typed after it has reached the box.
  app.Click(ControlId::txt1);
  const std::wstring before = app.Text(ControlId::txt1);
  app.Key(VK_RETURN);
  app.Type(L"x");
  ASSERT_TRUE(PumpUntil([&] { return app.Text(ControlId::txt1) != before; })) << "the key after Enter never came";
  EXPECT_FALSE(Rotating(app)) << "Enter in txt1 clicked a button";

  // What the dialog manager sends for Enter when the focused button is not
  // styled as the default one, whatever Wine's own keyboard handling does.
  app.Press(ControlId::Command1, ControlId::Frame1);
  ::PostMessageW(app.main(), WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(PumpUntil([&] { return Rotating(app); }, 5s)) << "IDOK with Start focused";

  app.Key('X', {VK_MENU});
  EXPECT_EQ(app.process().WaitExit(10s), 0) << "Alt+X";
}

TEST(WriterE2E, TypedKeysComeOutDecoratedInTextThreeAndOneWithoutARuleStays) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Text1);
  app.Key(VK_HOME);
  app.Key(VK_END, {VK_SHIFT});  // over the selected prompt
  app.Type(L"ah/");
  ASSERT_TRUE(PumpUntil([&] { return app.Text(ControlId::Text1) == L"/"; })) << Show(app.Text(ControlId::Text1));
  EXPECT_EQ(Show(app.Text(ControlId::Text3)), "@|-|");
}

TEST(PresenceE2E, TypedNameReachesTheServiceAsTheOneValueOfUAndTheKeysStillWorkAfterTheBrowser) {
  const std::u16string_view host = presence::Host();
  ASSERT_TRUE(host.starts_with(u"127.0.0.1:")) << "configure the tests with -DPRESENCE_HOST=127.0.0.1:<port>";
  const testhttp::HttpListener service(
      static_cast<unsigned short>(std::stoi(std::wstring(host.begin() + 10, host.end()))));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
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
  EXPECT_EQ(app.process().WaitExit(10s), 0) << "Alt+X from the browser";
}

// The browser's own windows, timers and threads are busiest while a page is
// loading, and that is when a user may well close the window.
TEST(PresenceE2E, ClosingWhileThePageIsStillLoadingEndsTheProgramCleanlyWithNothingShown) {
  const std::u16string_view host = presence::Host();
  const testhttp::HttpListener service(
      static_cast<unsigned short>(std::stoi(std::wstring(host.begin() + 10, host.end()))),
      testhttp::HttpListener::Answer::kHeld);
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Text4);
  app.Type(L"held");
  app.Click(ControlId::Command5);
  ASSERT_TRUE(PumpUntil([&] { return !service.lines().empty(); }, 30s)) << "no request reached the service";
  // The answer is held until the test ends: the page is still loading. A
  // message box on the way out would hold the exit up as well.
  ::PostMessageW(app.main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(app.process().WaitExit(30s), 0) << "a hang, a crash or a box on the way out";
}

TEST(HostileE2E, PrivateMessagesFromAnotherProgramAreNeitherTrustedNorFatal) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  for (UINT base : {UINT{WM_APP}, UINT{WM_USER}}) {
    for (UINT msg = base; msg < base + 8; ++msg) {
      for (LPARAM junk : {LPARAM{0}, LPARAM{0x10}, LPARAM{-1}, static_cast<LPARAM>(0xDEADBEEF)}) {
        ::PostMessageW(app.main(), msg, static_cast<WPARAM>(junk), junk);
      }
    }
  }
  // Still itself: the title goes on scrolling, and a tick comes only once
  // every posted message before it has been handled; no error box came up.
  const std::wstring before = app.Caption();
  EXPECT_TRUE(PumpUntil([&] { return app.Caption() != before; }, 5s));
  EXPECT_TRUE(app.process().running());
  EXPECT_EQ(e2e::FindProcessWindow(app.process().pid(), L"#32770"), nullptr);
}

}  // namespace
