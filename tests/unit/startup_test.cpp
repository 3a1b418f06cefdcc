// Start-up, the welcome line, the title scroller and what a failing step
// leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "app/checked16.h"
#include "identity/Mod1.h"
#include "app/sim/sim_app.h"

using app::ControlId;

namespace {

TEST(Startup, LoadRunsItsStepsInOrder) {
  sim::SimApp app;
  app.Load();
  const std::vector<std::string> expected{"Form.SetBackColor", "Frame1.SetBackColor", "Winsock1.LocalIP",
                                          "Label1.SetCaption"};
  EXPECT_EQ(app.ui.faults.journal(), expected);
  // The identity lookups come between the address and the caption, computer first.
  EXPECT_EQ(app.identity.calls.journal(), (std::vector<std::string>{"GetComputerNameA", "GetUserNameA"}));
  EXPECT_EQ(app.ui.window.back_color, app::kFormBackColor);
  EXPECT_EQ(app.ui.panel(ControlId::Frame1).back_color, app::kFormBackColor);
  EXPECT_EQ(app.form.ScrollLen, 38);
  EXPECT_EQ(app.form.ScrollPos, 0);
  EXPECT_TRUE(app.errors_shown.empty());
}

TEST(Startup, WelcomeLineKeepsFixedPiecesAroundEmptyParts) {
  struct Case {
    std::string user, computer;
    platform::Text ip;
    platform::Text expected;
  };
  const Case cases[] = {
      {"anna", "DESK1", u"10.0.0.5", u"Hello: anna!      On computer: DESK1       IP is: 10.0.0.5"},
      {"", "DESK1", u"10.0.0.5", u"Hello: !      On computer: DESK1       IP is: 10.0.0.5"},
      {"anna", "", u"10.0.0.5", u"Hello: anna!      On computer:        IP is: 10.0.0.5"},
      {"anna", "DESK1", u"", u"Hello: anna!      On computer: DESK1       IP is: "},
      // Bytes of the ANSI page come back as the characters they stand for.
      {"J\xF6rg", "PC-\x80", u"1.2.3.4", u"Hello: J\u00F6rg!      On computer: PC-\u20AC       IP is: 1.2.3.4"},
  };
  for (const auto& c : cases) {
    sim::SimApp app;
    app.identity.user = c.user;
    app.identity.computer = c.computer;
    app.ui.socket.ip = c.ip;
    app.Load();
    EXPECT_EQ(app.ui.label(ControlId::Label1).GetCaption(), c.expected) << c.user << "/" << c.computer;
  }
  sim::SimApp app;
  app.Load();
  EXPECT_EQ(app.ui.label(ControlId::Label1).GetCaption().size(), 58u);
}

TEST(Startup, FailingIdentityCallsGiveEmptyNames) {
  sim::SimApp app;
  app.identity.fail = true;
  app.Load();
  EXPECT_EQ(app.ui.label(ControlId::Label1).GetCaption(), u"Hello: !      On computer:        IP is: 10.0.0.5");
}

TEST(Startup, StepThatThrowsLeavesEarlierStepsDoneAndLabelUntouched) {
  struct Case {
    const char* failing_op;
    int steps_done;  // of: form colour, frame colour, DoIt, LocalIP
  };
  const Case cases[] = {
      {"Form.SetBackColor", 0}, {"Frame1.SetBackColor", 1}, {"Winsock1.LocalIP", 3}, {"Label1.SetCaption", 4}};
  for (const auto& c : cases) {
    sim::SimApp app;
    app.ui.faults.FailNth(c.failing_op, 1);
    app.Load();
    EXPECT_EQ(app.ui.label(ControlId::Label1).GetCaption(), u"Welcome:") << c.failing_op;
    EXPECT_EQ(app.ui.window.back_color.has_value(), c.steps_done >= 1) << c.failing_op;
    EXPECT_EQ(app.ui.panel(ControlId::Frame1).back_color.has_value(), c.steps_done >= 2) << c.failing_op;
    EXPECT_EQ(app.form.ScrollLen, c.steps_done >= 3 ? 38 : 0) << c.failing_op;
    EXPECT_EQ(app.identity.calls.Count("GetComputerNameA"), c.steps_done >= 4 ? 1 : 0) << c.failing_op;
    ASSERT_EQ(app.errors_shown.size(), 1u) << c.failing_op;
    EXPECT_NE(app.errors_shown[0].find(c.failing_op), std::string::npos);
  }
}

TEST(TitleScroller, CaptionReadsScrollUntilTheFirstTick) {
  sim::SimApp app;
  app.Load();
  EXPECT_EQ(app.ui.window.caption, u"Scroll");
  app.ui.clock.Advance(99);
  EXPECT_EQ(app.ui.window.caption, u"Scroll");
  app.ui.clock.Advance(1);
  EXPECT_EQ(app.ui.window.caption, u"");
}

TEST(TitleScroller, TicksShowGrowingPrefixesAndWrapAfter39) {
  sim::SimApp app;
  app.Load();
  app.ui.window.keep_caption_history = true;
  const int cycles = 40;
  app.ui.clock.Advance(100LL * 39 * cycles);
  const auto& shown = app.ui.window.captions_shown;
  ASSERT_EQ(shown.size(), 39u * cycles);
  const std::string banner = "For Tamsivorlen. Made by Quorbelline !";
  const std::pair<int, std::string> ticks[] = {
      {1, ""},      {2, "F"}, {5, "For "}, {17, "For Tamsivorlen."}, {18, "For Tamsivorlen. "},
      {39, banner}, {40, ""}, {41, "F"}};
  for (const auto& [tick, caption] : ticks) EXPECT_EQ(shown[tick - 1], caption) << "tick " << tick;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    ASSERT_EQ(shown[i], banner.substr(0, i % 39)) << "tick " << i + 1;
  }
  EXPECT_EQ(app.form.ScrollPos, 0);
}

TEST(TitleScroller, FailingCaptionWriteKeepsPositionAndReportsOnce) {
  sim::SimApp app;
  app.Load();
  app.ui.clock.Advance(300);  // three ticks: "", "F", "Fo"
  EXPECT_EQ(app.form.ScrollPos, 3);
  app.ui.faults.FailNth("Form.SetCaption", 4, /*forever=*/true);
  app.ui.clock.Advance(1000);
  EXPECT_EQ(app.form.ScrollPos, 3);
  // Ten failing ticks, one report.
  EXPECT_EQ(app.errors_shown.size(), 1u);
}

TEST(TitleScroller, SixteenBitCounterRaisesOverflowInsteadOfWrapping) {
  sim::SimApp app;
  app.Load();
  app.form.ScrollLen = 32767;
  app.form.ScrollPos = 32767;
  app.ui.clock.Advance(100);
  EXPECT_EQ(app.form.ScrollPos, 32767) << "an overflowing add must leave the position as it was";
  EXPECT_EQ(app.errors_shown, std::vector<std::string>{"Overflow"});
  EXPECT_THROW(app::ToInt16(std::size_t{40000}), platform::Error);
  EXPECT_EQ(app::ToInt16(std::size_t{32767}), 32767);
}

TEST(Identity, BufferProcedureCutsAtFirstNul) {
  sim::SimAnsi ansi;
  struct Case {
    std::string written;  // bytes the call writes from the start of the buffer
    platform::Text expected;
  };
  const Case cases[] = {
      {std::string("\0abc", 4), u""},
      {std::string("ab\0cd", 5), u"ab"},
      {"anna", u"anna"},
      {std::string(254, 'n'), platform::Text(254, u'n')},
  };
  for (const auto& c : cases) {
    std::uint32_t told = 0;
    const auto got = Mod1::LookupWithBuffer(ansi, [&](char* buf, std::uint32_t* size) {
      told = *size;
      std::copy(c.written.begin(), c.written.end(), buf);
    });
    EXPECT_EQ(told, 255u);
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Identity, FullBufferUnderDoubleBytePageIsFilledWithSpaces) {
  sim::SimAnsi ansi;
  ansi.double_byte = true;
  // 127 double-byte characters fill 254 bytes and leave the last byte NUL:
  // the conversion gives 128 characters, the rest of the buffer is spaces.
  const auto got = Mod1::LookupWithBuffer(ansi, [](char* buf, std::uint32_t*) {
    for (int i = 0; i < 127; ++i) {
      buf[2 * i] = static_cast<char>(0x81);
      buf[2 * i + 1] = static_cast<char>(0x85);
    }
  });
  EXPECT_EQ(got, platform::Text(127, u'\u4E85'));
  // All 255 bytes double-byte text: no NUL survives the conversion, so the
  // buffer is the characters followed by spaces up to 255.
  const auto no_nul = Mod1::LookupWithBuffer(ansi, [](char* buf, std::uint32_t*) {
    for (int i = 0; i < 255; ++i) buf[i] = static_cast<char>(i % 2 == 0 ? 0x81 : 0x86);
  });
  ASSERT_EQ(no_nul.size(), 255u);
  EXPECT_EQ(no_nul.substr(0, 127), platform::Text(127, u'\u4E86'));
  EXPECT_EQ(no_nul.substr(128), platform::Text(127, u' '));
}

}  // namespace
