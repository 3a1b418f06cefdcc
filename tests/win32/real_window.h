#pragma once
// The real window in this process for each test, its message boxes answered
// as they come up, HKEY_CURRENT_USER redirected to a scratch key meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/main_window.h"
#include "platform/win32/handles.h"
#include "tests/common/pump.h"

namespace realwin {

inline std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

inline int IdOf(app::ControlId id) { return app::win32::kFirstControlId + static_cast<int>(id); }

// Each message box's text, kept once (a box shown from another's loop
// activates the first again), and the box answered: no test waits on one.
inline std::vector<std::pair<HWND, std::wstring>> g_boxes;

inline LRESULT CALLBACK AnswerBoxes(int code, WPARAM wparam, LPARAM lparam) {
  const auto box = reinterpret_cast<HWND>(wparam);
  wchar_t text[256] = {};
  if (code == HCBT_ACTIVATE && ::GetDlgItemTextW(box, 0xFFFF, text, 256) > 0 &&
      std::ranges::find(g_boxes, box, &std::pair<HWND, std::wstring>::first) == g_boxes.end()) {
    g_boxes.emplace_back(box, text);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    HKEY scratch = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr);
    redirect_.reset(scratch);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, redirect_.get()), ERROR_SUCCESS);
    ASSERT_TRUE(window_.Create(SW_SHOW));
    ::SetForegroundWindow(window_.hwnd());
  }
  void TearDown() override {
    object_.reset();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    redirect_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  }
  // Pumps until no posted message is left: an error box is shown from one.
  static void PumpPosted() {
    MSG posted;
    EXPECT_TRUE(
        testwin::PumpUntil([&] { return !::PeekMessageW(&posted, nullptr, 0, 0, PM_NOREMOVE | PM_QS_POSTMESSAGE); }));
  }
  static std::vector<std::wstring> Boxes() {
    std::vector<std::wstring> texts;
    for (const auto& box : g_boxes) texts.push_back(box.second);
    return texts;
  }
  HWND Control(app::ControlId id) const { return window_.ControlWindow(id); }
  // A character as the keyboard delivers it to a box.
  void Type(app::ControlId box, wchar_t c) const { ::SendMessageW(Control(box), WM_CHAR, c, 1); }
  // The button's click as the button itself reports it.
  void Click(app::ControlId button) const {
    ::SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IdOf(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(button)));
  }

  static constexpr wchar_t kScratch[] = L"Software\\StatusCyclerTest\\window";
  platform::win32::RegistryKey redirect_;
  const platform::win32::Handle<HHOOK, &::UnhookWindowsHookEx> hook_{
      ::SetWindowsHookExW(WH_CBT, &AnswerBoxes, nullptr, ::GetCurrentThreadId())};
  // Apart, so that a test can let the window object go first (and use window_ no more).
  std::optional<app::win32::MainWindow> object_{std::in_place, ::GetModuleHandleW(nullptr)};
  app::win32::MainWindow& window_ = *object_;
};

}  // namespace realwin
