// Minimise to the notification area, restore from the icon, and the icon's
// removal and return: the record the shell gets, the decoding of the icon's
// callback, and what each way out of the program asks of the shell.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/tray.h"
#include "app/sim/sim_app.h"

using app::ControlId;
using platform::WindowState;

namespace {

constexpr char16_t kTip[] = u"Made by Quorbelline!";
constexpr std::uint32_t kDoubleClick = 515;
constexpr std::uint32_t kMouseMessages[] = {512, 513, 514, 515, 516, 517};

std::array<std::uint8_t, 88> Bytes(std::initializer_list<std::uint32_t> fields, const std::string& tip) {
  std::array<std::uint8_t, 88> out{};
  std::size_t at = 0;
  for (std::uint32_t f : fields) {
    for (int shift = 0; shift < 32; shift += 8) out[at++] = static_cast<std::uint8_t>(f >> shift);
  }
  for (std::size_t i = 0; i < 64 && i < tip.size(); ++i) out[at + i] = static_cast<std::uint8_t>(tip[i]);
  return out;
}

std::string TipBytes(const std::string& text_then_nul) { return text_then_nul + std::string(64, ' '); }

// A hidden, minimised window with its icon, as Minimize leaves it.
void Minimise(sim::SimApp& app) {
  app.Click(ControlId::Command4);
  ASSERT_FALSE(app.ui.window.visible);
}

TEST(TrayRecord, PackedRecordIsTheEightyEightByteFirstVersionLittleEndian) {
  sim::SimAnsi ansi;
  // Four distinct bytes in every handle, so a swapped or big-endian field shows.
  const auto record = frmStat::MakeTrayIconData(0x00A1B2C3u, 1, 7, 512, 0x0D0E0F10u, kTip);
  const auto expected = Bytes({88, 0x00A1B2C3u, 1, 7, 512, 0x0D0E0F10u},
                              std::string("Made by Quorbelline!") + '\0' + std::string(43, ' '));
  EXPECT_EQ(platform::PackNotifyIconData(record, ansi), expected);
  EXPECT_EQ(record.szTip, platform::Text(kTip) + u'\0' + platform::Text(43, u' '));

  // Minimize sends the same bytes, built from the window's own handle and icon.
  sim::SimApp app;
  app.ui.window.hwnd = 0x00A1B2C3u;
  app.ui.window.icon = 0x0D0E0F10u;
  app.Click(ControlId::Command4);
  ASSERT_EQ(app.shell.notify_calls.size(), 1u);
  EXPECT_EQ(app.shell.notify_calls[0].message, platform::kNimAdd);
  EXPECT_EQ(platform::PackNotifyIconData(app.shell.notify_calls[0].data, app.ansi), expected);
}

TEST(TrayRecord, TipIsConvertedToTheAnsiPageAndCutToSixtyFourCharacters) {
  struct Case {
    const char* what;
    platform::Text tip;
    bool double_byte;
    std::string tip_bytes;  // the 64 bytes the shell reads
  };
  const platform::Text seventy(70, u'x');
  const Case cases[] = {
      {"Windows-1252 letters", u"Caf\u00E9 \u20AC\u2122", false, TipBytes(std::string("Caf\xE9 \x80\x99") + '\0')},
      {"outside the page", u"\u4E2D!", false, TipBytes(std::string("?!") + '\0')},
      {"empty", u"", false, TipBytes(std::string(1, '\0'))},
      {"63 characters keep their NUL", platform::Text(63, u'y'), false, std::string(63, 'y') + '\0'},
      {"64 characters lose the NUL", platform::Text(64, u'y'), false, std::string(64, 'y')},
      {"70 characters are cut to 64", seventy, false, std::string(64, 'x')},
      // Two bytes a character: 40 characters are 80 bytes, of which 64 fit.
      {"double-byte page", platform::Text(40, u'\u4E81'), true,
       [] {
         std::string s;
         for (int i = 0; i < 32; ++i) s += "\x81\x81";
         return s;
       }()},
  };
  for (const auto& c : cases) {
    sim::SimAnsi ansi;
    ansi.double_byte = c.double_byte;
    const auto record = frmStat::MakeTrayIconData(1, 1, 7, 512, 2, c.tip);
    EXPECT_EQ(record.szTip.size(), 64u) << c.what;
    const auto packed = platform::PackNotifyIconData(record, ansi);
    const std::string tip(packed.begin() + 24, packed.end());
    EXPECT_EQ(tip, c.tip_bytes.substr(0, 64)) << c.what;
  }
}

TEST(TrayMinimise, AddsIconOfThisWindowThenMinimisesThenHides) {
  sim::SimApp app;
  app.Load();
  app.ui.faults.ClearJournal();
  app.Click(ControlId::Command4);
  ASSERT_EQ(app.shell.notify_calls.size(), 1u);
  const auto& call = app.shell.notify_calls[0];
  EXPECT_EQ(call.message, platform::kNimAdd);
  EXPECT_EQ(call.data.cbSize, 88u);
  EXPECT_EQ(call.data.hWnd, app.ui.window.hwnd);
  EXPECT_EQ(call.data.uID, 1u);
  EXPECT_EQ(call.data.uFlags, 7u);
  EXPECT_EQ(call.data.uCallbackMessage, 512u);
  EXPECT_EQ(call.data.hIcon, app.ui.window.icon);
  EXPECT_EQ(call.data.szTip.substr(0, 21), platform::Text(kTip) + u'\0');
  EXPECT_EQ(app.ui.window.state, WindowState::kMinimized);
  EXPECT_FALSE(app.ui.window.visible);
  EXPECT_EQ(app.ui.faults.journal(),
            (std::vector<std::string>{"Form.Handle", "Form.IconHandle", "Form.SetWindowState", "Form.SetVisible"}));
  EXPECT_TRUE(app.errors_shown.empty());
}

TEST(TrayMinimise, FailingStepLeavesEarlierStepsDoneAndLaterOnesUndone) {
  struct Case {
    const char* failing_op;
    WindowState state;
    bool icon_added;
    bool visible;
  };
  const Case cases[] = {
      {"Form.Handle", WindowState::kNormal, false, true},
      {"Form.IconHandle", WindowState::kNormal, false, true},
      {"Form.SetWindowState", WindowState::kNormal, true, true},
      {"Form.SetVisible", WindowState::kMinimized, true, true},
  };
  for (const auto& c : cases) {
    sim::SimApp app;
    app.ui.faults.FailNth(c.failing_op, 1);
    app.Click(ControlId::Command4);
    EXPECT_EQ(app.shell.notify_calls.size(), c.icon_added ? 1u : 0u) << c.failing_op;
    EXPECT_EQ(app.ui.window.state, c.state) << c.failing_op;
    EXPECT_EQ(app.ui.window.visible, c.visible) << c.failing_op;
    EXPECT_EQ(app.errors_shown.size(), 1u) << c.failing_op;
  }
}

TEST(TrayMinimise, MinimiseRestoreMinimiseAddsTheSameWindowAndIdentifierAgain) {
  sim::SimApp app;
  Minimise(app);
  app.TrayCallback(kDoubleClick);
  ASSERT_TRUE(app.ui.window.visible);
  Minimise(app);
  ASSERT_EQ(app.shell.notify_calls.size(), 2u);
  for (const auto& call : app.shell.notify_calls) {
    EXPECT_EQ(call.message, platform::kNimAdd);
    EXPECT_EQ(platform::PackNotifyIconData(call.data, app.ansi),
              platform::PackNotifyIconData(app.shell.notify_calls[0].data, app.ansi));
  }
  EXPECT_EQ(app.shell.notify_calls[1].data.uID, 1u);
  EXPECT_EQ(app.shell.IconCount(), 1);
  EXPECT_EQ(app.ui.window.state, WindowState::kMinimized);
  app.TrayCallback(kDoubleClick);
  EXPECT_TRUE(app.ui.window.visible);
  EXPECT_EQ(app.shell.activated.size(), 2u);
}

TEST(TrayRestore, OnlyTheLeftDoubleClickRestoresAtFifteenAndTwelveTwipsPerPixel) {
  for (const float factor : {15.0f, 12.0f}) {
    for (const std::uint32_t message : kMouseMessages) {
      sim::SimApp app;
      app.ui.window.twips_per_pixel = factor;
      Minimise(app);
      app.ui.faults.ClearJournal();
      app.TrayCallback(message);
      const bool restores = message == kDoubleClick;
      const std::string where = std::to_string(message) + " at " + std::to_string(factor);
      EXPECT_EQ(app.ui.window.visible, restores) << where;
      EXPECT_EQ(app.ui.window.state, restores ? WindowState::kNormal : WindowState::kMinimized) << where;
      EXPECT_EQ(app.shell.activated, restores ? std::vector<std::uint32_t>{4242} : std::vector<std::uint32_t>{})
          << where;
      EXPECT_EQ(app.shell.owner_queries,
                restores ? std::vector<platform::Hwnd>{app.ui.window.hwnd} : std::vector<platform::Hwnd>{})
          << where;
      const std::vector<std::string> restore_steps{"Form.IsVisible", "Form.TwipsPerPixelX", "Form.SetVisible",
                                                   "Form.SetWindowState", "Form.Handle"};
      const std::vector<std::string> ignore_steps{"Form.IsVisible", "Form.TwipsPerPixelX"};
      EXPECT_EQ(app.ui.faults.journal(), restores ? restore_steps : ignore_steps) << where;
      // The icon stays after a restore.
      EXPECT_EQ(app.shell.IconCount(), 1) << where;
      EXPECT_TRUE(app.errors_shown.empty()) << where;
    }
  }
}

TEST(TrayRestore, FailingRestoreStepStopsBeforeActivation) {
  struct Case {
    const char* failing_op;
    bool visible;
    WindowState state;
  };
  const Case cases[] = {
      {"Form.TwipsPerPixelX", false, WindowState::kMinimized},
      {"Form.SetVisible", false, WindowState::kMinimized},
      {"Form.SetWindowState", true, WindowState::kMinimized},
  };
  for (const auto& c : cases) {
    sim::SimApp app;
    Minimise(app);
    app.ui.faults.FailNth(c.failing_op, app.ui.faults.Count(c.failing_op) + 1);
    app.TrayCallback(kDoubleClick);
    EXPECT_EQ(app.ui.window.visible, c.visible) << c.failing_op;
    EXPECT_EQ(app.ui.window.state, c.state) << c.failing_op;
    EXPECT_TRUE(app.shell.activated.empty()) << c.failing_op;
    EXPECT_EQ(app.errors_shown.size(), 1u) << c.failing_op;
  }
}

TEST(TrayRestore, HalfwayValuesRoundToEvenAndTheQuotientIsTruncated) {
  struct Case {
    float x;
    float factor;
    std::int32_t message;  // what the division gives
    const char* catches;
  };
  const Case cases[] = {
      {7725.0f, 15.0f, 515, "the plain double-click at 96 DPI"},
      {6180.0f, 12.0f, 515, "the plain double-click at 120 DPI"},
      {7724.5f, 15.0f, 514, "half away from zero (7725) or half up would restore here"},
      {7725.5f, 15.0f, 515, "rounding 7725.5 down"},
      {7739.0f, 15.0f, 515, "a rounded quotient (515.93 -> 516)"},
      {7724.0f, 15.0f, 514, "a rounded quotient (514.93 -> 515)"},
      {7739.5f, 15.0f, 516, "half down or truncation of X (7739 -> 515)"},
      {6179.5f, 12.0f, 515, "truncating X (6179 -> 514)"},
      {6191.5f, 12.0f, 516, "truncating X (6191 -> 515)"},
      {6180.0f, 12.5f, 515, "the factor rounded away from zero (13)"},
      {7210.0f, 14.5f, 515, "the factor rounded away from zero (15)"},
      {8240.0f, 15.5f, 515, "the factor truncated (15)"},
      {1545.0f, 2.5f, 772, "the factor rounded away from zero (3 gives 515)"},
      {-7725.0f, 15.0f, -515, "a quotient that loses its sign"},
      {-7739.0f, 15.0f, -515, "a quotient floored rather than truncated (-516)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::TrayMessageFromX(c.x, c.factor), std::optional<std::int32_t>(c.message)) << c.catches;
    sim::SimApp app;
    app.ui.window.twips_per_pixel = c.factor;
    Minimise(app);
    app.MouseMove(c.x);
    EXPECT_EQ(app.ui.window.visible, c.message == 515) << c.catches;
  }
}

TEST(TrayRestore, ShownWindowIgnoresEveryMoveAndEveryCallback) {
  for (const WindowState state : {WindowState::kNormal, WindowState::kMinimized}) {
    for (const std::uint32_t message : kMouseMessages) {
      sim::SimApp app;
      // Shown but minimised is what the title bar's own minimise box leaves.
      app.ui.window.state = state;
      app.ui.faults.ClearJournal();
      app.TrayCallback(message);
      app.MouseMove(100.0f * 15.0f, 40.0f * 15.0f);
      EXPECT_TRUE(app.ui.window.visible) << message;
      EXPECT_EQ(app.ui.window.state, state) << message;
      EXPECT_TRUE(app.shell.activated.empty()) << message;
      EXPECT_EQ(app.ui.faults.journal(), (std::vector<std::string>{"Form.IsVisible", "Form.IsVisible"})) << message;
    }
  }
}

TEST(TrayRestore, FloatsWithoutAMessageNumberDoNothingAndNeverConvertUndefined) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float two_31 = 2147483648.0f;       // one past INT32_MAX
  const float below_min = -2147483904.0f;   // the float after INT32_MIN
  const float largest_fit = 2147483520.0f;  // the last float below 2^31
  struct Case {
    float x;
    float factor;
    std::optional<std::int32_t> message;
  };
  const Case cases[] = {
      {nan, 15.0f, std::nullopt},
      {inf, 15.0f, std::nullopt},
      {-inf, 15.0f, std::nullopt},
      {1e20f, 15.0f, std::nullopt},
      {-1e20f, 15.0f, std::nullopt},
      {two_31, 15.0f, std::nullopt},
      {below_min, 15.0f, std::nullopt},
      {largest_fit, 1.0f, 2147483520},
      {-two_31, 1.0f, std::numeric_limits<std::int32_t>::min()},
      {-two_31, -1.0f, std::nullopt},  // INT32_MIN / -1 overflows
      {7725.0f, 0.0f, std::nullopt},
      {7725.0f, -0.0f, std::nullopt},
      {7725.0f, 0.4f, std::nullopt},
      {515.0f, 0.5f, std::nullopt},  // 0.5 is a tie and goes to 0; away from zero it would be 1
      {7725.0f, nan, std::nullopt},
      {7725.0f, inf, std::nullopt},
      {7725.0f, 1e20f, std::nullopt},
      {nan, nan, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::TrayMessageFromX(c.x, c.factor), c.message) << c.x << " / " << c.factor;
    sim::SimApp app;
    app.ui.window.twips_per_pixel = c.factor;
    Minimise(app);
    app.MouseMove(c.x);
    EXPECT_FALSE(app.ui.window.visible) << c.x << " / " << c.factor;
    EXPECT_EQ(app.ui.window.state, WindowState::kMinimized) << c.x << " / " << c.factor;
    EXPECT_TRUE(app.errors_shown.empty()) << c.x << " / " << c.factor;
  }
}

TEST(TrayRestore, WindowLayerFactorIsWholeSoEveryDpiGivesTheMessageBack) {
  EXPECT_EQ(app::TwipsPerPixelForDpi(96), 15.0f);
  EXPECT_EQ(app::TwipsPerPixelForDpi(120), 12.0f);
  EXPECT_EQ(app::TwipsPerPixelForDpi(144), 10.0f);
  for (const int dpi : {72, 96, 100, 110, 120, 125, 144, 150, 168, 192, 240, 288, 480, 1440, 2880}) {
    const float factor = app::TwipsPerPixelForDpi(dpi);
    EXPECT_EQ(factor, std::floor(factor)) << dpi;
    for (const std::uint32_t message : kMouseMessages) {
      // The window layer turns the lParam, as a pixel x, into twips.
      const float x = static_cast<float>(message) * factor;
      EXPECT_EQ(app::TrayMessageFromX(x, factor), std::optional<std::int32_t>(static_cast<std::int32_t>(message)))
          << message << " at " << dpi << " DPI";
    }
  }
}

TEST(TrayShellRestart, TaskbarCreatedAddsTheIconAgainOnlyWhileHidden) {
  // Shown, never minimised: there is no icon to bring back.
  {
    sim::SimApp app;
    app.TaskbarCreated();
    EXPECT_TRUE(app.shell.notify_calls.empty());
  }
  // Hidden: the shell forgot the icon, and it is the only way back in.
  {
    sim::SimApp app;
    Minimise(app);
    app.TaskbarCreated();
    ASSERT_EQ(app.shell.notify_calls.size(), 2u);
    EXPECT_EQ(app.shell.notify_calls[1].message, platform::kNimAdd);
    EXPECT_EQ(platform::PackNotifyIconData(app.shell.notify_calls[1].data, app.ansi),
              platform::PackNotifyIconData(app.shell.notify_calls[0].data, app.ansi));
    EXPECT_FALSE(app.ui.window.visible);
    EXPECT_EQ(app.ui.window.state, WindowState::kMinimized);
    // The icon that comes back still restores the window.
    app.TrayCallback(kDoubleClick);
    EXPECT_TRUE(app.ui.window.visible);
    // Restored, the window is reachable again: nothing is added.
    app.TaskbarCreated();
    EXPECT_EQ(app.shell.notify_calls.size(), 2u);
    EXPECT_TRUE(app.errors_shown.empty());
  }
}

}  // namespace
