// A thousand trips to the notification area and back through the real
// window, as the shell drives them: nothing may accumulate.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/inventory.h"
#include "app/win32/main_window.h"
#include "tests/win32/resource_count.h"

using app::ControlId;

namespace {

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int Cycles() {
  wchar_t text[16] = {};
  return ::GetEnvironmentVariableW(L"STATUSCYCLER_SOAK_CYCLES", text, 16) != 0 ? _wtoi(text) : 1000;
}

TEST(MinimiseRestoreSoak, ThousandCyclesLeaveNoHandleOrMemoryBehind) {
  appwin::MainWindow window(::GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
  const HWND main = window.hwnd();
  const HWND minimize = window.control(ControlId::Command4);
  auto cycle = [&] {
    // The button's click, as the button control reports it.
    ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(minimize), BN_CLICKED),
                   reinterpret_cast<LPARAM>(minimize));
    Pump();
    ASSERT_FALSE(::IsWindowVisible(main));
    // The icon's double-click, as the shell reports it.
    ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    Pump();
    ASSERT_TRUE(::IsWindowVisible(main));
    ASSERT_FALSE(::IsIconic(main));
  };
  for (int i = 0; i < 20; ++i) cycle();  // warm-up: first-use allocations
  const int handles_before = soak::KernelHandleCount();
  const auto memory_before = soak::WorkingSetBytes();
  const auto gui_before = soak::GuiObjects();
  const int cycles = Cycles();
  for (int i = 0; i < cycles; ++i) {
    cycle();
    if (::testing::Test::HasFatalFailure()) FAIL() << "cycle " << i;
  }
  EXPECT_EQ(soak::KernelHandleCount(), handles_before);
  EXPECT_EQ(soak::GuiObjects(), gui_before);
  const auto memory_after = soak::WorkingSetBytes();
  EXPECT_LT(memory_after, memory_before + 4 * 1024 * 1024)
      << (memory_after - memory_before) / 1024 << " KiB grown over " << cycles << " cycles";
  std::printf("cycles=%d handles=%d working_set_kib_before=%zu after=%zu\n", cycles, handles_before,
              memory_before / 1024, memory_after / 1024);
}

}  // namespace
