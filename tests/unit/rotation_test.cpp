// The ring of five timers on a virtual clock: what the messenger is shown,
// when, and how Start and Stop change the turns going round.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "tests/common/reg_types.h"
#include "tests/common/text.h"

using app::ControlId;

namespace {

using platform::Text;

constexpr std::array<ControlId, 5> kBoxes{ControlId::txt1, ControlId::txt2, ControlId::txt3, ControlId::txt4,
                                          ControlId::txt5};
constexpr std::array<ControlId, 5> kTimers{ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4,
                                           ControlId::Timer5};

struct Shown {
  long long at_ms;
  Text text;
  friend bool operator==(const Shown&, const Shown&) = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) { return out << s.at_ms << ":" << testtext::Show(s.text); }

// The program beside a messenger that, on each command, takes the text now
// stored for its profile, as the real one does.
struct Rig {
  sim::SimApp app;
  std::vector<Shown> shown;
  long long publish_ms = 0;  // how long the messenger takes over each command

  Rig() {
    app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", platform::kRegSz, std::string("alice\0", 6));
    app.messaging.AddWindow("YahooBuddyMain", [this](const sim::SimMessaging::Received& r) {
      if (r.msg != platform::kWmCommand || r.wparam != 388 || r.lparam != 1) return;
      const auto value = app.registry.Get("Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", "1");
      shown.push_back({app.ui.clock.now_ms(), value ? app.ansi.FromAnsi(value->data) : u"<none>"});
      app.ui.clock.Spend(publish_ms);
    });
    app.Load();
  }
  void Start() { app.Click(ControlId::Command1); }
  void Stop() { app.Click(ControlId::Command2); }
  // Runs the clock to an absolute time.
  void RunTo(long long ms) { app.ui.clock.Advance(ms - app.ui.clock.now_ms()); }
  std::vector<int> ArmedSlots() {
    std::vector<int> slots;
    for (std::size_t k = 0; k < kTimers.size(); ++k) {
      if (app.ui.timer(kTimers[k]).IsEnabled()) slots.push_back(static_cast<int>(k + 1));
    }
    return slots;
  }
  std::array<bool, 5> BoxesEnabled() {
    std::array<bool, 5> enabled{};
    for (std::size_t k = 0; k < kBoxes.size(); ++k) enabled[k] = app.ui.box(kBoxes[k]).IsEnabled();
    return enabled;
  }
};

constexpr std::array<bool, 5> kAllEnabled{true, true, true, true, true};
constexpr std::array<bool, 5> kAllDisabled{};

TEST(Rotation, PublishesTheFiveBoxesInRingOrderOneSecondApart) {
  Rig rig;
  rig.RunTo(2500);  // idle time before Start changes nothing
  rig.Start();
  EXPECT_EQ(rig.BoxesEnabled(), kAllDisabled);
  EXPECT_EQ(rig.ArmedSlots(), std::vector<int>{1});
  rig.RunTo(3499);
  EXPECT_TRUE(rig.shown.empty()) << "Start itself publishes nothing, and the first tick waits a full second";
  rig.RunTo(9500);
  const std::vector<Shown> expected{{3500, u"Name"},    {4500, u"Is"},   {5500, u"Online"}, {6500, u"For"},
                                    {7500, u"Awhile!"}, {8500, u"Name"}, {9500, u"Is"}};
  EXPECT_EQ(rig.shown, expected);
  // A minute on, still one turn, still in order.
  rig.RunTo(69500);
  ASSERT_EQ(rig.shown.size(), 67u);
  const Text ring[] = {u"Name", u"Is", u"Online", u"For", u"Awhile!"};
  for (std::size_t i = 0; i < rig.shown.size(); ++i) {
    EXPECT_EQ(rig.shown[i].text, ring[i % 5]) << i;
    EXPECT_EQ(rig.shown[i].at_ms, 3500 + 1000 * static_cast<long long>(i)) << i;
  }
  EXPECT_EQ(rig.ArmedSlots().size(), 1u);
  EXPECT_EQ(rig.BoxesEnabled(), kAllDisabled);
}

TEST(Rotation, NextTimerIsArmedOnlyAfterThePublishHasReturned) {
  Rig rig;
  rig.publish_ms = 300;
  rig.Start();
  rig.RunTo(5000);
  // Each period is the interval plus one publish.
  const std::vector<long long> expected{1000, 2300, 3600, 4900};
  ASSERT_EQ(rig.shown.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rig.shown[i].at_ms, expected[i]) << i;
}

TEST(Rotation, TextIsTakenFromTheBoxAtItsTickNotAtStart) {
  Rig rig;
  rig.app.ui.box(ControlId::txt2).UserSets(u"Busy");
  rig.app.ui.box(ControlId::txt4).UserSets(u"");
  rig.Start();
  rig.RunTo(1500);
  rig.app.ui.box(ControlId::txt3).SetText(u"Changed");
  rig.RunTo(6000);
  const std::vector<Shown> expected{{1000, u"Name"}, {2000, u"Busy"},    {3000, u"Changed"},
                                    {4000, u""},     {5000, u"Awhile!"}, {6000, u"Name"}};
  EXPECT_EQ(rig.shown, expected) << "an empty box is published as the empty text, not skipped";
  const auto stored = rig.app.registry.Get("Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", "1");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->data, "Name");
}

TEST(Rotation, StopEndsTheTurnWhereverItIsAndEnablesTheBoxes) {
  // Stop after 0..5 publishes, including within the first second.
  for (int published = 0; published <= 5; ++published) {
    Rig rig;
    rig.Start();
    rig.RunTo(999 + 1000LL * published);
    ASSERT_EQ(rig.shown.size(), static_cast<std::size_t>(published));
    rig.Stop();
    EXPECT_TRUE(rig.ArmedSlots().empty()) << published;
    EXPECT_EQ(rig.BoxesEnabled(), kAllEnabled) << published;
    rig.RunTo(30000);
    EXPECT_EQ(rig.shown.size(), static_cast<std::size_t>(published)) << "published after Stop";
  }
}

TEST(Rotation, StopWhileIdleOnlyLeavesTheBoxesEnabled) {
  Rig rig;
  rig.app.registry.calls.ClearJournal();
  rig.Stop();
  rig.Stop();
  rig.RunTo(10000);
  EXPECT_TRUE(rig.shown.empty());
  EXPECT_TRUE(rig.ArmedSlots().empty());
  EXPECT_EQ(rig.BoxesEnabled(), kAllEnabled);
  EXPECT_TRUE(rig.app.registry.calls.journal().empty()) << "Stop touched the registry";
  EXPECT_TRUE(rig.app.errors_shown.empty());
}

TEST(Rotation, StartAgainWhileWaitingOnTimerOneKeepsOneTurn) {
  Rig rig;
  rig.Start();
  rig.RunTo(400);
  rig.Start();
  rig.RunTo(900);
  rig.Start();
  EXPECT_EQ(rig.ArmedSlots(), std::vector<int>{1});
  rig.RunTo(10500);
  ASSERT_EQ(rig.shown.size(), 10u);
  const Text ring[] = {u"Name", u"Is", u"Online", u"For", u"Awhile!"};
  for (std::size_t i = 0; i < rig.shown.size(); ++i) EXPECT_EQ(rig.shown[i].text, ring[i % 5]) << i;
  EXPECT_EQ(rig.ArmedSlots().size(), 1u);
}

TEST(Rotation, StartWhileWaitingOnALaterTimerSendsASecondTurnRound) {
  // Start half-way through the wait on timer k: timer k's turn goes on, and a
  // new one begins at Timer1. Each publishes its own box on its own ticks.
  struct Case {
    int k;
    std::vector<Shown> expected;  // from the second Start on, to 9000 ms
  };
  const std::vector<Case> cases{
      {2,
       {{2000, u"Is"},
        {2500, u"Name"},
        {3000, u"Online"},
        {3500, u"Is"},
        {4000, u"For"},
        {4500, u"Online"},
        {5000, u"Awhile!"},
        {5500, u"For"},
        {6000, u"Name"},
        {6500, u"Awhile!"},
        {7000, u"Is"},
        {7500, u"Name"},
        {8000, u"Online"},
        {8500, u"Is"},
        {9000, u"For"}}},
      {3,
       {{3000, u"Online"},
        {3500, u"Name"},
        {4000, u"For"},
        {4500, u"Is"},
        {5000, u"Awhile!"},
        {5500, u"Online"},
        {6000, u"Name"},
        {6500, u"For"},
        {7000, u"Is"},
        {7500, u"Awhile!"},
        {8000, u"Online"},
        {8500, u"Name"},
        {9000, u"For"}}},
      {4,
       {{4000, u"For"},
        {4500, u"Name"},
        {5000, u"Awhile!"},
        {5500, u"Is"},
        {6000, u"Name"},
        {6500, u"Online"},
        {7000, u"Is"},
        {7500, u"For"},
        {8000, u"Online"},
        {8500, u"Awhile!"},
        {9000, u"For"}}},
  };
  for (const auto& c : cases) {
    Rig rig;
    rig.Start();
    const long long second_start = 1000LL * (c.k - 1) + 500;
    rig.RunTo(second_start);
    ASSERT_EQ(rig.ArmedSlots(), std::vector<int>{c.k});
    rig.Start();
    EXPECT_EQ(rig.ArmedSlots(), (std::vector<int>{1, c.k})) << c.k;
    EXPECT_EQ(rig.BoxesEnabled(), kAllDisabled);
    const std::size_t before = rig.shown.size();
    rig.RunTo(9000);
    const std::vector<Shown> after(rig.shown.begin() + static_cast<std::ptrdiff_t>(before), rig.shown.end());
    EXPECT_EQ(after, c.expected) << "k = " << c.k;
    EXPECT_EQ(rig.ArmedSlots().size(), 2u) << "k = " << c.k;
    // Stop ends both turns.
    rig.Stop();
    EXPECT_TRUE(rig.ArmedSlots().empty());
    const std::size_t at_stop = rig.shown.size();
    rig.RunTo(20000);
    EXPECT_EQ(rig.shown.size(), at_stop) << "k = " << c.k;
  }
}

TEST(Rotation, TurnHandedOverOntoTheOtherTurnsTimerMergesIntoOne) {
  // Start while waiting on timer 5: Timer5's tick hands over to Timer1, which
  // already holds the new turn. From then on there is one turn, on the new
  // turn's schedule.
  Rig rig;
  rig.Start();
  rig.RunTo(4500);
  rig.Start();
  EXPECT_EQ(rig.ArmedSlots(), (std::vector<int>{1, 5}));
  rig.RunTo(5000);
  EXPECT_EQ(rig.ArmedSlots(), std::vector<int>{1});
  rig.RunTo(10500);
  const std::vector<Shown> expected{{1000, u"Name"},    {2000, u"Is"},      {3000, u"Online"}, {4000, u"For"},
                                    {5000, u"Awhile!"}, {5500, u"Name"},    {6500, u"Is"},     {7500, u"Online"},
                                    {8500, u"For"},     {9500, u"Awhile!"}, {10500, u"Name"}};
  EXPECT_EQ(rig.shown, expected);
  EXPECT_EQ(rig.ArmedSlots().size(), 1u);
}

TEST(Rotation, RestartAfterStopBeginsAtTxtOneWithTheEditedTexts) {
  for (int stopped_at = 1; stopped_at <= 5; ++stopped_at) {
    Rig rig;
    rig.Start();
    rig.RunTo(500 + 1000LL * (stopped_at - 1));  // waiting on timer `stopped_at`
    ASSERT_EQ(rig.ArmedSlots(), std::vector<int>{stopped_at});
    rig.Stop();
    ASSERT_EQ(rig.BoxesEnabled(), kAllEnabled);
    rig.app.ui.box(ControlId::txt1).UserSets(u"Back");
    rig.app.ui.box(ControlId::txt2).UserSets(u"Again");
    rig.shown.clear();
    const long long restart = rig.app.ui.clock.now_ms() + 250;
    rig.RunTo(restart);
    rig.Start();
    rig.RunTo(restart + 2000);
    const std::vector<Shown> expected{{restart + 1000, u"Back"}, {restart + 2000, u"Again"}};
    EXPECT_EQ(rig.shown, expected) << "stopped while waiting on timer " << stopped_at;
  }
}

TEST(Rotation, MessengerMissingHungOrWithoutUserIdDoesNotStopTheRing) {
  struct Case {
    const char* what;
    bool remove_window, hang_window, remove_user_id;
  };
  const Case cases[] = {
      {"messenger not running", true, false, false},
      {"messenger hung", false, true, false},
      {"no user id", false, false, true},
  };
  for (const auto& c : cases) {
    Rig rig;
    if (c.remove_window) rig.app.messaging.RemoveWindow(rig.app.messaging.FindWindowA("YahooBuddyMain"));
    if (c.hang_window) rig.app.messaging.Find(rig.app.messaging.FindWindowA("YahooBuddyMain"))->hung = true;
    if (c.remove_user_id) rig.app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", regtype::kDword, "");
    rig.app.registry.calls.ClearJournal();
    rig.app.messaging.calls.ClearJournal();
    rig.Start();
    rig.RunTo(12000);
    EXPECT_EQ(rig.app.registry.calls.Count("RegCreateKeyA"), 12) << c.what;
    EXPECT_EQ(rig.app.messaging.calls.Count("FindWindowA"), 12) << c.what;
    EXPECT_EQ(rig.ArmedSlots().size(), 1u) << c.what;
    EXPECT_TRUE(rig.app.errors_shown.empty()) << c.what;
  }
}

}  // namespace
