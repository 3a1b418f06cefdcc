// Trips to the notification area and back: nothing may accumulate. Run in a Wine desktop (CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/common/pump.h"
#include "tests/win32/long_run.h"
#include "tests/win32/real_window.h"

namespace {

using MinimiseRestore = realwin::RealWindow;

TEST_F(MinimiseRestore, CyclesLeaveNoHandleBehind) {
  const HWND main = window_.hwnd();
  auto cycle = [&] {
    Click(app::ControlId::Command4);
    testwin::PumpFor(std::chrono::milliseconds(0));
    const bool hidden = !::IsWindowVisible(main);
    ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);  // the icon's double-click
    testwin::PumpFor(std::chrono::milliseconds(0));
    return hidden && ::IsWindowVisible(main) && !::IsIconic(main);
  };
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(cycle());  // first-use allocations
  const int rounds = longrun::Rounds(200, 1000);
  const int before = longrun::KernelHandles();
  const auto gui_before = longrun::CountGuiObjects();
  const auto kib = longrun::WorkingSetKib();
  for (int i = 0; i < rounds; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;
  EXPECT_EQ(longrun::KernelHandles(), before);
  if (const auto gui_after = longrun::CountGuiObjects(); gui_before && gui_after) {
    EXPECT_EQ(*gui_after, *gui_before) << "USER and GDI objects";
  }
  longrun::Report("minimise_restore", rounds, longrun::KernelHandles() - before, kib);
}

}  // namespace
