// The ring of five timers on the virtual clock, beside a messenger that shows its stored text when told to.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/sim/sim_app.h"

using app::ControlId;

namespace {

constexpr std::array kBoxes{ControlId::txt1, ControlId::txt2, ControlId::txt3, ControlId::txt4, ControlId::txt5};
constexpr std::array kTimers{ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4,
                             ControlId::Timer5};

struct Rig {
  app::sim::SimApp app;
  std::string shown;                // " <ms>:<text>" for every status the messenger showed
  long long publish_ms = 0;         // how long the messenger takes over each command
  std::function<void()> meanwhile;  // what else reaches our window while the messenger handles a command
  platform::Hwnd messenger = 0;

  Rig() {
    app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", platform::kRegSz, "alice");
    messenger = app.messaging.AddWindow("YahooBuddyMain", [this](const platform::sim::SimMessaging::Received&) {
      const auto value = app.registry.Get("Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", "1");
      shown += " " + std::to_string(app.ui.clock.now_ms()) + ":" + (value ? value->data : "-");
      app.ui.clock.Spend(publish_ms);
      if (meanwhile) meanwhile();
    });
  }
  void Start() { app.Click(ControlId::Command1); }
  void RunTo(long long ms) { app.ui.clock.Advance(ms - app.ui.clock.now_ms()); }
  // "13 locked": Timer1 and Timer3 armed, every box disabled; "open": every box enabled.
  std::string State() {
    std::string state;
    for (std::size_t k = 0; k < kTimers.size(); ++k) {
      if (app.ui.Timer(kTimers[k]).IsEnabled()) state += static_cast<char>('1' + k);
    }
    const auto locked = std::ranges::count_if(kBoxes, [&](auto id) { return !app.ui.Box(id).IsEnabled(); });
    return state + (locked == 5 ? " locked" : locked == 0 ? " open" : " half");
  }
};

TEST(Rotation, PublishesTxt1ToTxt5ThenTxt1AgainOneIntervalApartFromStart) {
  Rig rig;
  rig.RunTo(2500);
  rig.Start();
  EXPECT_EQ(rig.State(), "1 locked");
  rig.RunTo(9500);  // Start itself published nothing: the first status comes a full interval later
  EXPECT_EQ(rig.shown, " 3500:Name 4500:Is 5500:Online 6500:For 7500:Awhile! 8500:Name 9500:Is");
  rig.RunTo(63500);
  EXPECT_TRUE(rig.shown.ends_with(" 61500:For 62500:Awhile! 63500:Name")) << rig.shown;
  EXPECT_EQ(rig.State(), "2 locked");
}

TEST(Rotation, TextIsReadAtItsTickAndTheNextTimerArmedOnlyOnceThePublishHasReturned) {
  Rig rig;
  rig.publish_ms = 300;
  rig.app.ui.Box(ControlId::txt4).UserSets(u"");
  rig.Start();
  rig.RunTo(1500);
  rig.app.ui.Box(ControlId::txt3).UserSets(u"Changed");
  rig.RunTo(6200);
  EXPECT_EQ(rig.shown, " 1000:Name 2300:Is 3600:Changed 4900: 6200:Awhile!");
}

TEST(Rotation, StopEndsTheTurnWhereverItIsAndRestartBeginsAtTxt1) {
  for (int published = 0; published <= 5; ++published) {
    Rig rig;
    rig.Start();
    rig.RunTo(500 + 1000LL * published);
    rig.app.Click(ControlId::Command2);
    EXPECT_EQ(rig.State(), " open") << published;
    const std::string at_stop = rig.shown;
    rig.RunTo(10000);
    rig.Start();
    rig.RunTo(11000);
    EXPECT_EQ(rig.shown, at_stop + " 11000:Name") << published;
  }
}

TEST(Rotation, StopExitOrStopStartThatComeInWhileTheMessengerHandlesTheCommandEndTheTurnThere) {
  // Waiting on the messenger, the window still handles what it sends: Stop, Exit, or Stop and Start (from txt1).
  struct Case {
    const char* during;  // the status being published
    std::vector<ControlId> clicked;
    const char *shown, *state;
  };
  const Case cases[] = {
      {"Is", {ControlId::Command2}, " 1000:Name 2000:Is", " open"},
      {"Is", {ControlId::Command3}, " 1000:Name 2000:Is", " locked"},
      {"Name", {ControlId::Command2, ControlId::Command1}, " 1000:Name 2000:Name 3000:Is 4000:Online", "4 locked"},
  };
  for (const auto& c : cases) {
    Rig rig;
    rig.meanwhile = [&rig, &c, done = false]() mutable {
      if (done || !rig.shown.ends_with(c.during)) return;
      done = true;
      for (const ControlId button : c.clicked) rig.app.Click(button);
    };
    rig.Start();
    rig.RunTo(c.clicked.size() == 1 ? 10000 : 4000);
    EXPECT_EQ(rig.shown, c.shown) << app::Spec(c.clicked.back()).name;
    EXPECT_EQ(rig.State(), c.state) << app::Spec(c.clicked.back()).name;
  }
}

TEST(Rotation, SecondStartKeepsOneTurnOnTimer1AndOtherwiseSendsASecondUntilOneArmsTheOthersTimer) {
  // Arming an armed timer leaves it running: on Timer1 a second Start changes nothing; a turn merges into another.
  struct Case {
    int k;                      // the second Start half-way through the wait on timer k
    const char *state, *shown;  // at once, and what follows up to 7500 ms
  };
  // clang-format off
  const Case cases[] = {
      {1, "1 locked", " 1000:Name 2000:Is 3000:Online 4000:For 5000:Awhile! 6000:Name 7000:Is"},
      {2, "12 locked", " 2000:Is 2500:Name 3000:Online 3500:Is 4000:For 4500:Online 5000:Awhile! 5500:For 6000:Name 6500:Awhile! 7000:Is 7500:Name"},
      {4, "14 locked", " 4000:For 4500:Name 5000:Awhile! 5500:Is 6000:Name 6500:Online 7000:Is 7500:For"},
      {5, "15 locked", " 5000:Awhile! 5500:Name 6500:Is 7500:Online"},
  };
  // clang-format on
  for (const auto& c : cases) {
    Rig rig;
    rig.Start();
    rig.RunTo(1000LL * c.k - 500);
    rig.Start();
    EXPECT_EQ(rig.State(), c.state) << c.k;
    const std::size_t before = rig.shown.size();
    rig.RunTo(7500);
    EXPECT_EQ(rig.shown.substr(before), c.shown) << c.k;
  }
}

TEST(Rotation, RingGoesOnWithoutAMessengerAUserIdOrWriteAccessAndAfterAFailedTick) {
  const std::tuple<const char*, void (*)(Rig&), const char*> cases[] = {
      {"messenger not running", [](Rig& r) { r.app.messaging.RemoveWindow(r.messenger); }, "3 locked"},
      {"no user id",
       [](Rig& r) { r.app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", 4 /* REG_DWORD */, ""); },
       "3 locked"},
      {"profile not writable", [](Rig& r) { r.app.registry.faults.FailNth("RegCreateKeyA", 1, true); }, "3 locked"},
      // A turn whose handing over failed stays on its timer and tries again.
      {"Timer2 failed once", [](Rig& r) { r.app.ui.faults.FailNth("Timer2.SetEnabled", 1); }, "2 locked"},
  };
  for (const auto& [what, setup, state] : cases) {
    Rig rig;
    setup(rig);
    rig.Start();
    rig.RunTo(12000);  // twelve ticks on
    EXPECT_EQ(rig.State(), state) << what;
  }
}

}  // namespace
