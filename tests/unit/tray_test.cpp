// The tray record, the icon's callback, and the icon's return after a shell restart.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "app/tray_icon.h"

using app::ControlId;
using enum platform::WindowState;

namespace {

// What the shell was asked: "<message>:" and the 88 bytes it reads.
std::vector<std::string> ShellCalls(const app::sim::SimApp& app) {
  std::vector<std::string> calls;
  for (const auto& call : app.shell.notify_calls) {
    const auto bytes = platform::PackNotifyIconData(call.data, app.ansi);
    calls.push_back(std::to_string(call.message) + ":" + std::string(bytes.begin(), bytes.end()));
  }
  return calls;
}

TEST(TrayIcon, MinimizeAddsThisWindowsIconThenMinimisesThenHides) {
  const char head[] = "0:\x58\0\0\0\xC3\xB2\xA1\0\x01\0\0\0\x07\0\0\0\0\x02\0\0\x10\x0F\x0E\x0D";
  const std::string add = std::string(head, 26) + "Made by Quorbelline!" + '\0' + std::string(43, ' ');
  for (const std::string failing_op : {"", "Form.SetVisible"}) {
    app::sim::SimApp app;
    app.ui.Form().hwnd = 0x00A1B2C3u;
    app.ui.Form().icon = 0x0D0E0F10u;
    app.ui.faults.FailNth(failing_op, 1);
    app.Click(ControlId::Command4);
    EXPECT_EQ(ShellCalls(app), std::vector<std::string>{add}) << failing_op;
    EXPECT_EQ(app.ui.Form().state, kMinimized) << failing_op;
    EXPECT_EQ(app.ui.Form().visible, !failing_op.empty()) << failing_op;  // hidden, unless hiding failed
  }
}

TEST(TrayIcon, OnlyALeftDoubleClickRestoresAndOnlyAHiddenWindow) {
  for (const float factor : {15.0f, 12.0f}) {
    for (std::uint32_t message = 512; message <= 517; ++message) {
      for (const bool hidden : {true, false}) {
        app::sim::SimApp app;
        app.ui.Form().twips_per_pixel = factor;
        // Shown but minimised is what the title bar's own minimise box leaves.
        hidden ? app.Click(ControlId::Command4) : void(app.ui.Form().state = kMinimized);
        app.TrayCallback(message);
        const bool restores = hidden && message == 515;
        EXPECT_EQ(app.ui.Form().visible, restores || !hidden) << message << hidden << factor;
        EXPECT_EQ(app.ui.Form().state, restores ? kNormal : kMinimized) << message << hidden << factor;
        EXPECT_EQ(app.shell.activated, std::vector<std::uint32_t>(restores ? 1 : 0, 4242)) << message << factor;
      }
    }
  }
}

TEST(TrayIcon, CallbackXIsRoundedHalfToEvenAndTheQuotientTruncated) {
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  // clang-format off
  const std::tuple<float, float, std::optional<std::int32_t>> cases[] = {
      {7724.5f, 15.0f, 514}, {7725.5f, 15.0f, 515}, {7739.5f, 15.0f, 516}, {6179.5f, 12.0f, 515},
      {7739.0f, 15.0f, 515}, {-7739.0f, 15.0f, -515}, {6180.0f, 12.5f, 515}, {7210.0f, 14.5f, 515},
      {8240.0f, 15.5f, 515}, {-2147483648.0f, 1.0f, kMin}, {2147483520.0f, 1.0f, 2147483520},
      {kNan, 15.0f, {}}, {1e20f, 15.0f, {}}, {2147483648.0f, 15.0f, {}}, {-2147483904.0f, 15.0f, {}},
      {7725.0f, 0.0f, {}}, {515.0f, 0.5f, {}}, {7725.0f, kNan, {}}, {-2147483648.0f, -1.0f, {}},
  };
  // clang-format on
  for (const auto& [x, factor, message] : cases) {
    EXPECT_EQ(app::TrayMessageFromX(x, factor), message) << x << "/" << factor;
  }
}

// "hidden", "taskbar" (minimised, shown) or "shown", and the icons the shell shows.
std::string Where(app::sim::SimApp& app) {
  const auto& form = app.ui.Form();
  const char* where = !form.visible ? "hidden" : form.state == kMinimized ? "taskbar" : "shown";
  return std::string(where) + " " + std::to_string(app.shell.icons.size());
}

TEST(TrayIcon, WindowIsHiddenOnlyWhereAnIconLeadsBackAndTheIconFollowsANewShell) {
  using Step = void (*)(app::sim::SimApp&);
  const Step minimize = [](app::sim::SimApp& a) { a.Click(ControlId::Command4); };
  const Step restore = [](app::sim::SimApp& a) { a.TrayCallback(515); };
  const Step new_shell = [](app::sim::SimApp& a) { a.ShellRestarts(); };
  const Step no_shell = [](app::sim::SimApp& a) { a.shell.faults.FailNth("Shell_NotifyIconA", 1, true); };
  const Step busy = [](app::sim::SimApp& a) {
    a.shell.faults.FailNth("Shell_NotifyIconA", 1, true, platform::sim::kErrorTimeout);
  };
  const Step shell_up = [](app::sim::SimApp& a) { a.shell.faults.Cancel("Shell_NotifyIconA"); };
  const Step later = [](app::sim::SimApp& a) { a.ui.clock.Advance(5000); };
  const Step title_bar = [](app::sim::SimApp& a) { a.ui.Form().state = kMinimized; };
  const Step from_taskbar = [](app::sim::SimApp& a) { a.ui.Form().state = kNormal; };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    const char* where;
  };
  const Case cases[] = {
      {"minimize again: the icon is still there", {minimize, restore, minimize}, "hidden 1"},
      {"a new shell while hidden", {minimize, new_shell}, "hidden 1"},
      {"a new shell while shown", {minimize, restore, new_shell}, "shown 0"},
      {"no shell yet", {no_shell, minimize, later}, "taskbar 0"},
      {"a busy shell took the icon after all", {busy, minimize, shell_up, later}, "hidden 1"},
      {"a busy shell, and the user took the window back", {busy, minimize, from_taskbar, shell_up, later}, "shown 1"},
      {"no shell yet, then one", {no_shell, minimize, shell_up, new_shell}, "hidden 1"},
      {"no shell yet, nor the next", {no_shell, minimize, new_shell, shell_up, new_shell}, "hidden 1"},
      {"no shell yet, then the user took it back", {no_shell, minimize, from_taskbar, shell_up, new_shell}, "shown 0"},
      {"the next shell fails while hidden", {minimize, no_shell, new_shell}, "taskbar 0"},
      {"minimised by the title bar", {title_bar, new_shell}, "taskbar 0"},
  };
  for (const auto& c : cases) {
    app::sim::SimApp app;
    for (const Step step : c.steps) step(app);
    EXPECT_EQ(Where(app), c.where) << c.what;
    EXPECT_TRUE(app.errors_shown.empty()) << c.what;
  }
}

}  // namespace
