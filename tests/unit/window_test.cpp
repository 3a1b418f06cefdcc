// The window's own handlers: start-up, the identity buffer, the title scroller, the presence check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "identity/Mod1.h"
#include "presence/presence.h"

using app::ControlId;
using platform::Text;

namespace {

TEST(FormLoad, WelcomeLineKeepsItsPiecesAroundEmptyPartsAndAFailingStepLeavesWelcome) {
  constexpr platform::Rgb kPurple{81, 46, 124};
  struct Case {
    std::string failing_op;
    int done;  // of: form colour, frame colour, the title scroller made ready
    std::string user, computer;
    Text ip, label;
  };
  const Case cases[] = {
      {"", 3, "anna", "DESK1", u"10.0.0.5", u"Hello: anna!      On computer: DESK1       IP is: 10.0.0.5"},
      {"", 3, "", "", u"", u"Hello: !      On computer:        IP is: "},
      {"Form.SetBackColor", 0, "anna", "DESK1", u"1", u"Welcome:"},
      {"Frame1.SetBackColor", 1, "anna", "DESK1", u"1", u"Welcome:"},
      {"Winsock1.LocalIP", 3, "anna", "DESK1", u"1", u"Welcome:"},
      {"Label1.SetCaption", 3, "anna", "DESK1", u"1", u"Welcome:"},
  };
  // A failing step's error reaches the dispatch, which shows it.
  for (const auto& c : cases) {
    app::sim::SimApp app;
    app.identity.user = c.user;
    app.identity.computer = c.computer;
    app.ui.Socket(ControlId::Winsock1).ip = c.ip;
    app.ui.faults.FailNth(c.failing_op, 1);
    app.Load();
    EXPECT_EQ(app.ui.Label(ControlId::Label1).GetCaption(), c.label) << c.failing_op << c.user;
    app.ui.clock.Advance(200);  // the second tick shows the banner's first letter, once DoIt has run
    const int done = (app.ui.Form().back_color == kPurple) + (app.ui.Frame(ControlId::Frame1).back_color == kPurple) +
                     (app.ui.Form().caption == u"F");
    EXPECT_EQ(done, c.done) << c.failing_op;
    EXPECT_EQ(app.errors_shown,
              c.failing_op.empty() ? std::vector<std::string>{} : std::vector{c.failing_op + " failed"});
  }
}

TEST(Mod1, LookupsReadTheFixedBufferUpToItsNulWhateverTheCodePage) {
  const std::tuple<std::string, bool, Text> cases[] = {
      {"anna", false, u"anna"},
      {std::string(254, 'n'), false, Text(254, u'n')},
      {std::string(255, 'n'), false, u""},                     // no room for its NUL: the call fails and writes nothing
      {std::string(254, '\x81'), true, Text(127, u'\u4E81')},  // 254 bytes, 127 characters
  };
  for (const auto& [name, double_byte, expected] : cases) {
    app::sim::SimApp app;
    app.ansi.double_byte = double_byte;
    app.identity.user = name;
    app.identity.computer = name;
    EXPECT_EQ(Mod1::GetLoggedOnUser(app.identity, app.ansi), expected) << name.size();
    EXPECT_EQ(Mod1::GetMachineName(app.identity, app.ansi), expected) << name.size();
  }
}

// The title after each of `ticks` ticks of its timer.
std::vector<Text> Titles(app::sim::SimApp& app, int ticks) {
  app.Load();
  std::vector<Text> titles;
  for (int tick = 1; tick <= ticks; ++tick) titles.push_back((app.ui.clock.Advance(100), app.ui.Form().caption));
  return titles;
}

TEST(TitleScroller, TicksShowTheBannerGrowingAndStartOverAfter39) {
  app::sim::SimApp app;
  const std::vector<Text> captions = Titles(app, 39 * 41);
  const Text banner = u"For Tamsivorlen. Made by Quorbelline !";
  const std::pair<int, std::size_t> shown[] = {{1, 0}, {2, 1}, {5, 4}, {17, 16}, {18, 17}, {39, 38}, {40, 0}, {41, 1}};
  for (const auto& [tick, length] : shown) {
    EXPECT_EQ(captions[tick - 1], banner.substr(0, length)) << tick;
    EXPECT_EQ(captions[tick - 1 + 39 * 39], banner.substr(0, length)) << tick << " forty cycles on";
  }
}

TEST(TitleScroller, FailingCaptionKeepsThePosition) {
  app::sim::SimApp app;
  app.ui.faults.FailNth("Form.SetCaption", 4);
  // The fourth tick fails before it moves on, so the fifth shows what it would have.
  EXPECT_EQ(Titles(app, 5), (std::vector<Text>{u"", u"F", u"Fo", u"Fo", u"For"}));
  EXPECT_EQ(app.errors_shown, std::vector<std::string>{"Form.SetCaption failed"});
}

TEST(PresenceCheck, EachClickAsksAboutTheNameInText4AtThatMoment) {
  app::sim::SimApp app;
  app.Click(ControlId::Command5);  // an empty name is still asked about
  app.ui.Box(ControlId::Text4).UserSets(u"Zo\u00EB b");
  app.Click(ControlId::Command5);
  const Text base = u"http://" + Text(presence::Host()) + u"/online?u=";
  EXPECT_EQ(app.ui.Browser(ControlId::WebBrowser1).navigations, (std::vector<Text>{base, base + u"Zo%C3%AB%20b"}));
}

}  // namespace
