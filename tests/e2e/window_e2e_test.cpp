// The real program, started as a user starts it.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;

namespace {

TEST(StartupE2E, WindowGreetsAndTitleScrolls) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr) << "the window never showed its welcome line";
  const std::wstring welcome = app.Text(ControlId::Label1);
  EXPECT_NE(welcome.find(L"!      On computer: "), std::wstring::npos) << welcome.c_str();
  EXPECT_NE(welcome.find(L"       IP is: "), std::wstring::npos);
  EXPECT_EQ(app.Text(ControlId::txt1), L"Name");
  EXPECT_EQ(app.Text(ControlId::txt5), L"Awhile!");
  EXPECT_EQ(app.Text(ControlId::Text1), L"Write Here for ascii");
  // The title runs through the banner: some caption that is a longer prefix
  // of it than "For" shows within a few seconds.
  const std::wstring banner = L"For Tamsivorlen. Made by Quorbelline !";
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        const auto c = app.Caption();
        return c.size() > 3 && banner.rfind(c, 0) == 0;
      },
      10s))
      << "caption: " << app.Caption().size();
}

TEST(StartupE2E, TxtOneHasTheFocusAtStart) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(app.main(), nullptr), &info));
  EXPECT_EQ(info.hwndFocus, app.Control(ControlId::txt1));
}

TEST(StartupE2E, ExitButtonEndsTheProgram) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(10s), 0);
}

// Start greys the status boxes and Stop gives them back: what a user sees of
// which of the two buttons ran last.
bool Rotating(const e2e::App& app) { return !::IsWindowEnabled(app.Control(ControlId::txt1)); }

TEST(StartupE2E, EnterAndSpaceClickTheFocusedButtonHoweverItGotTheFocusAndNoOther) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::txt5);
  app.Key(VK_TAB);
  app.Key(VK_RETURN);
  EXPECT_TRUE(e2e::WaitFor([&] { return Rotating(app); }, 5s)) << "Tab to Start, Enter";
  app.Key(VK_TAB);
  app.Key(VK_SPACE);
  EXPECT_TRUE(e2e::WaitFor([&] { return !Rotating(app); }, 5s)) << "Tab to Stop, Space";

  // A press on Start that slides off before the release clicks nothing but
  // leaves Start focused; Enter then clicks it, and not Stop, which Tab last
  // made the default button.
  app.Press(ControlId::Command1, ControlId::Frame1);
  EXPECT_FALSE(Rotating(app));
  app.Key(VK_RETURN);
  EXPECT_TRUE(e2e::WaitFor([&] { return Rotating(app); }, 5s)) << "press, slide off, Enter";

  app.Key('T', /*alt=*/true);
  EXPECT_TRUE(e2e::WaitFor([&] { return !Rotating(app); }, 5s)) << "Alt+T";
  app.Key('S', /*alt=*/true);
  EXPECT_TRUE(e2e::WaitFor([&] { return Rotating(app); }, 5s)) << "Alt+S";
  app.Key('T', /*alt=*/true);
  ASSERT_TRUE(e2e::WaitFor([&] { return !Rotating(app); }, 5s));

  // Enter in a text box clicks no button.
  app.Click(ControlId::txt1);
  app.Key(VK_RETURN);
  app.Sync();
  EXPECT_FALSE(Rotating(app)) << "Enter in txt1 clicked a button";

  // What the dialog manager sends for Enter when the focused button is not
  // styled as the default one, whatever Wine's own keyboard handling does.
  app.Press(ControlId::Command1, ControlId::Frame1);
  ::PostMessageW(app.main(), WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return Rotating(app); }, 5s)) << "IDOK with Start focused";

  app.Key('X', /*alt=*/true);
  EXPECT_EQ(app.process().WaitExit(10s), 0) << "Alt+X";
}

TEST(StartupE2E, CloseBoxEndsTheProgram) {
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  ::PostMessageW(app.main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(app.process().WaitExit(10s), 0);
}

}  // namespace
