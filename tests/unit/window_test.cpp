// The window's own handlers: start-up and its welcome line, the identity
// buffer, the title scroller, the presence check, Exit, what becomes of a
// handler's error, and the sums the window layer lays itself out with.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "app/tray.h"
#include "identity/Mod1.h"
#include "presence/presence.h"

using app::ControlId;
using platform::Text;

namespace {

TEST(FormLoad, WelcomeLineKeepsItsPiecesAroundEmptyPartsAndAFailingStepLeavesWelcome) {
  constexpr platform::Rgb kPurple{81, 46, 124};
  struct Case {
    const char* failing_op;
    int done;  // of: form colour, frame colour, title text
    std::string user, computer;
    Text ip, label;
  };
  const Case cases[] = {
      {"", 3, "anna", "DESK1", u"10.0.0.5", u"Hello: anna!      On computer: DESK1       IP is: 10.0.0.5"},
      {"", 3, "", "", u"", u"Hello: !      On computer:        IP is: "},
      {"", 3, "J\xF6rg", "PC-\x80", u"1", u"Hello: J\u00F6rg!      On computer: PC-\u20AC       IP is: 1"},
      // Too long for the buffer: the call fails and writes nothing.
      {"", 3, std::string(300, 'u'), "DESK1", u"1", u"Hello: !      On computer: DESK1       IP is: 1"},
      {"Form.SetBackColor", 0, "anna", "DESK1", u"1", u"Welcome:"},
      {"Frame1.SetBackColor", 1, "anna", "DESK1", u"1", u"Welcome:"},
      {"Winsock1.LocalIP", 3, "anna", "DESK1", u"1", u"Welcome:"},
      {"Label1.SetCaption", 3, "anna", "DESK1", u"1", u"Welcome:"},
  };
  for (const auto& c : cases) {
    sim::SimApp app;
    app.identity.user = c.user;
    app.identity.computer = c.computer;
    app.ui.socket.ip = c.ip;
    app.ui.faults.FailNth(c.failing_op, 1);
    app.Load();
    EXPECT_EQ(app.ui.label(ControlId::Label1).GetCaption(), c.label) << c.failing_op << c.user;
    const int done = (app.ui.window.back_color == kPurple) + (app.ui.panel(ControlId::Frame1).back_color == kPurple) +
                     (app.form.ScrollLen == 38);
    EXPECT_EQ(done, c.done) << c.failing_op;
  }
}

TEST(Mod1, BufferOf255IsCutAtItsFirstNulOrFilledUpWithSpaces) {
  const std::tuple<std::string, bool, Text> cases[] = {
      {"anna", false, u"anna"},
      {std::string(255, 'n'), false, Text(255, u'n')},
      // A lone lead byte last: 128 characters from 255 bytes, and no NUL.
      {std::string(255, '\x81'), true, Text(127, u'\u4E81') + u"?" + Text(127, u' ')},
  };
  for (const auto& [written, double_byte, expected] : cases) {
    sim::SimAnsi ansi;
    ansi.double_byte = double_byte;
    std::uint32_t told = 0;
    const Text got = Mod1::LookupWithBuffer(ansi, [&told, &bytes = written](char* buffer, std::uint32_t* size) {
      told = *size;
      std::copy(bytes.begin(), bytes.end(), buffer);
    });
    EXPECT_EQ(told, 255u);
    EXPECT_EQ(got, expected) << written.size();
  }
}

TEST(TitleScroller, TicksShowTheBannerGrowingAndStartOverAfter39) {
  sim::SimApp app;
  app.Load();
  std::vector<Text> captions;
  for (int tick = 1; tick <= 39 * 41; ++tick) {
    app.ui.clock.Advance(100);
    captions.push_back(app.ui.window.caption);
  }
  const Text banner = u"For Tamsivorlen. Made by Quorbelline !";
  const std::pair<int, std::size_t> shown[] = {{1, 0}, {2, 1}, {5, 4}, {17, 16}, {18, 17}, {39, 38}, {40, 0}, {41, 1}};
  for (const auto& [tick, length] : shown) {
    EXPECT_EQ(captions[tick - 1], banner.substr(0, length)) << tick;
    EXPECT_EQ(captions[tick - 1 + 39 * 39], banner.substr(0, length)) << tick << " forty cycles on";
  }
}

TEST(TitleScroller, FailingCaptionOrOverflowingCounterKeepsThePosition) {
  sim::SimApp app;
  app.Load();
  app.ui.clock.Advance(300);
  app.ui.faults.FailNth("Form.SetCaption", 4, /*forever=*/true);
  app.ui.clock.Advance(1000);
  EXPECT_EQ(app.form.ScrollPos, 3);
  sim::SimApp full;
  full.form.ScrollLen = full.form.ScrollPos = 32767;
  full.ui.clock.Advance(100);
  EXPECT_EQ(full.form.ScrollPos, 32767);
  EXPECT_EQ(full.errors_shown, std::vector<std::string>{"Overflow"});
}

TEST(WindowLayout, TwipsPerPixelAreWholePixelsRoundAsMulDivDoesAndTabIndexesOrderTheKeyboard) {
  for (const auto& [dpi, factor] : {std::pair{96, 15.0f}, {120, 12.0f}, {144, 10.0f}, {168, 8.0f}, {0, 15.0f}}) {
    EXPECT_EQ(app::TwipsPerPixelForDpi(dpi), factor) << dpi;
  }
  EXPECT_EQ(app::TwipsToPixels(1095, 120), 91);
  EXPECT_EQ(app::TwipsToPixels(855, 144), 86);  // half away from zero
  EXPECT_EQ(app::TabOrder().front(), ControlId::txt1);
  EXPECT_EQ(app::TabOrder().back(), ControlId::Label3);
}

// The URL itself is proven by fuzz_presence_url.
TEST(PresenceCheck, EachClickAsksAboutTheNameInText4AtThatMoment) {
  sim::SimApp app;
  app.Click(ControlId::Command5);  // an empty name is still asked about
  app.ui.box(ControlId::Text4).UserSets(u"Zo\u00EB b");
  app.Click(ControlId::Command5);
  const Text base = u"http://" + Text(presence::Host()) + u"/online?u=";
  EXPECT_EQ(app.ui.browser.navigations, (std::vector<Text>{base, base + u"Zo%C3%AB%20b"}));
}

TEST(Exit, ExitAndTheCloseBoxEndTheProgram) {
  for (const bool close_box : {false, true}) {
    sim::SimApp app;
    close_box ? app.Close() : app.Click(ControlId::Command3);
    EXPECT_TRUE(app.process.ended) << close_box;
  }
}

TEST(Dispatch, EachDistinctErrorIsShownOnceAndNoneEscapes) {
  app::ErrorReporter reporter;
  std::vector<std::string> shown;
  const auto show = [&](const std::string& message) { shown.push_back(message); };
  for (const char* error : {"A", "B", "A", "B"}) app::Invoke([&] { throw platform::Error(error); }, reporter, show);
  app::Invoke([] { throw 42; }, reporter, show);
  app::Invoke([] { throw 42; }, reporter, show);
  app::Invoke([] { throw platform::Error("C"); }, reporter, [](const std::string&) { throw 0; });
  EXPECT_EQ(shown, (std::vector<std::string>{"A", "B", "Unexpected error"}));
}

}  // namespace
