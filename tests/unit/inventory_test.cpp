// The control table every layer builds from, and the event routing over it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/dispatch.h"
#include "app/inventory.h"
#include "platform/error.h"
#include "app/sim/sim_app.h"

using app::ControlId;
using app::ControlKind;

namespace {

TEST(Inventory, EveryControlOfTheWindowIsThereOnceWithItsPlaceAndText) {
  struct Row {
    const char* name;
    ControlKind kind;
    int left, top, width, height;
    std::u16string_view text;
  };
  // Spot rows across every kind; a shifted or swapped row shows here.
  const Row rows[] = {
      {"txt1", ControlKind::kTextBox, 120, 0, 1095, 375, u"Name"},
      {"txt5", ControlKind::kTextBox, 4200, 0, 855, 375, u"Awhile!"},
      {"Command4", ControlKind::kButton, 7200, 0, 1095, 255, u"Minimize"},
      {"Label1", ControlKind::kLabel, 120, 480, 855, 195, u"Welcome:"},
      {"Label3", ControlKind::kLabel, 5880, 960, 1845, 195, u"Enter Name to check"},
      {"Text1", ControlKind::kTextBox, 120, 1200, 5055, 405, u"Write Here for ascii"},
      {"Text4", ControlKind::kTextBox, 5280, 1200, 2895, 405, u""},
      {"Image2", ControlKind::kPicture, 6720, 1560, 1575, 1455, u""},
      {"Command5", ControlKind::kButton, 5280, 1680, 1335, 495, u"Check online/offline"},
      {"Frame1", ControlKind::kFrame, 120, 2160, 4695, 735, u""},
      {"WebBrowser1", ControlKind::kBrowser, 5280, 2280, 975, 615, u""},
      {"Command2", ControlKind::kButton, 1920, 2400, 1095, 375, u"S&top"},
      {"Text2", ControlKind::kTextBox, 240, 3840, 5055, 285, u"Text2"},
      {"Image1", ControlKind::kPicture, 240, 4200, 480, 480, u""},
  };
  for (const auto& row : rows) {
    const auto found = std::find_if(app::Inventory().begin(), app::Inventory().end(),
                                    [&](const app::ControlSpec& s) { return s.name == row.name; });
    ASSERT_NE(found, app::Inventory().end()) << row.name;
    const auto& spec = *found;
    EXPECT_EQ(spec.kind, row.kind) << row.name;
    EXPECT_EQ((std::array{spec.left, spec.top, spec.width, spec.height}),
              (std::array{row.left, row.top, row.width, row.height}))
        << row.name;
    EXPECT_EQ(spec.text, row.text) << row.name;
  }
  std::set<std::string_view> names;
  for (const auto& spec : app::Inventory()) EXPECT_TRUE(names.insert(spec.name).second) << spec.name;
  EXPECT_EQ(names.size(), 28u);
}

TEST(Inventory, OnlyTextTwoAndImageOneLieBelowTheClientArea) {
  std::set<std::string_view> below;
  for (const auto& spec : app::Inventory()) {
    if (spec.kind == ControlKind::kTimer || spec.kind == ControlKind::kSocket) continue;
    if (spec.top >= app::kClientHeightTwips) below.insert(spec.name);
  }
  EXPECT_EQ(below, (std::set<std::string_view>{"Text2", "Image1"}));
}

TEST(Inventory, TimersStartAsDescribed) {
  for (auto id : {ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4, ControlId::Timer5}) {
    EXPECT_EQ(app::Spec(id).timer_interval_ms, 1000);
    EXPECT_FALSE(app::Spec(id).timer_enabled);
  }
  EXPECT_EQ(app::Spec(ControlId::Timer6).timer_interval_ms, 100);
  EXPECT_TRUE(app::Spec(ControlId::Timer6).timer_enabled);
}

TEST(Inventory, KeyboardOrderIsTheDescribedOne) {
  const std::array expected{ControlId::txt1,     ControlId::txt2,        ControlId::txt3,     ControlId::txt4,
                            ControlId::txt5,     ControlId::Command1,    ControlId::Command2, ControlId::Command3,
                            ControlId::Label1,   ControlId::Frame1,      ControlId::Text1,    ControlId::Text2,
                            ControlId::Text3,    ControlId::Label2,      ControlId::Command4, ControlId::Text4,
                            ControlId::Command5, ControlId::WebBrowser1, ControlId::Label3};
  EXPECT_EQ(app::TabOrder(), expected);
}

TEST(Inventory, TwipsBecomePixelsAtTheScreensDpi) {
  EXPECT_EQ(app::TwipsToPixels(8265, 96), 551);
  EXPECT_EQ(app::TwipsToPixels(2985, 96), 199);
  EXPECT_EQ(app::TwipsToPixels(1095, 96), 73);
  EXPECT_EQ(app::TwipsToPixels(1095, 120), 91);  // 91.25
  EXPECT_EQ(app::TwipsToPixels(855, 144), 86);   // 85.5 rounds up, as MulDiv does
  EXPECT_EQ(app::TwipsToPixels(0, 144), 0);
}

TEST(Dispatch, EachEventReachesItsOwnHandlerOnly) {
  using app::EventKind;
  EXPECT_EQ(app::HandlerFor(ControlId::Command1, EventKind::kClick), &frmStat::Command1_Click);
  EXPECT_EQ(app::HandlerFor(ControlId::Command3, EventKind::kClick), &frmStat::Command3_Click);
  EXPECT_EQ(app::HandlerFor(ControlId::Command4, EventKind::kClick), &frmStat::Command4_Click);
  EXPECT_EQ(app::HandlerFor(ControlId::Command5, EventKind::kClick), &frmStat::Command5_Click);
  EXPECT_EQ(app::HandlerFor(ControlId::Text1, EventKind::kChange), &frmStat::Text1_Change);
  EXPECT_EQ(app::HandlerFor(ControlId::Timer3, EventKind::kTimer), &frmStat::Timer3_Timer);
  EXPECT_EQ(app::HandlerFor(ControlId::Timer6, EventKind::kTimer), &frmStat::Timer6_Timer);
  // Boxes other than the writer's input have no change handler; a click on a
  // box is not a button click.
  for (auto id : {ControlId::txt1, ControlId::Text2, ControlId::Text3, ControlId::Text4}) {
    EXPECT_EQ(app::HandlerFor(id, EventKind::kChange), nullptr);
    EXPECT_EQ(app::HandlerFor(id, EventKind::kClick), nullptr);
  }
  EXPECT_EQ(app::HandlerFor(ControlId::Timer1, EventKind::kClick), nullptr);
}

TEST(Dispatch, RecurringErrorIsShownOnceAndDistinctOnesEach) {
  app::ErrorReporter reporter;
  std::vector<std::string> shown;
  auto show = [&](const std::string& m) { shown.push_back(m); };
  for (int i = 0; i < 5; ++i) app::Invoke([] { throw platform::Error("Timer broke"); }, reporter, show);
  app::Invoke([] { throw platform::Error("Other"); }, reporter, show);
  app::Invoke([] { throw 42; }, reporter, show);
  app::Invoke([] {}, reporter, show);
  EXPECT_EQ(shown, (std::vector<std::string>{"Timer broke", "Other", "Unexpected error"}));
}

TEST(Dispatch, ShowThatThrowsDoesNotEscape) {
  app::ErrorReporter reporter;
  EXPECT_NO_THROW(app::Invoke([] { throw platform::Error("x"); }, reporter,
                              [](const std::string&) { throw std::runtime_error("no screen"); }));
}

TEST(Exit, NoHandlerRunsAfterExit) {
  sim::SimApp app;
  app.Load();
  app.Click(ControlId::Command1);  // a rotation runs
  app.ui.clock.Advance(1000);
  ASSERT_EQ(app.messaging.calls.Count("FindWindowA"), 1);
  app.Click(ControlId::Command3);
  EXPECT_TRUE(app.process.ended);
  app.ui.clock.Advance(10000);
  EXPECT_EQ(app.messaging.calls.Count("FindWindowA"), 1) << "a status was published after Exit";
}

}  // namespace
