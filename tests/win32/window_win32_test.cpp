// The real window, built from the inventory table, as Windows (Wine) sees it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/win32/main_window.h"
#include "platform/error.h"
#include "tests/common/message_boxes.h"

using app::ControlId;
using app::ControlKind;

namespace {

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 512);
  return text;
}

RECT ClientRectOf(HWND parent, HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create(SW_SHOWNORMAL));
    ASSERT_EQ(window_.dpi(), 96) << "these rectangles are for a 96 DPI screen";
  }
  appwin::MainWindow window_{::GetModuleHandleW(nullptr)};
};

TEST_F(RealWindow, EveryControlHasItsClassTextStateAndPixelRectangle) {
  for (const auto& spec : app::Inventory()) {
    const HWND hwnd = window_.control(spec.id);
    if (spec.kind == ControlKind::kTimer || spec.kind == ControlKind::kSocket) {
      EXPECT_EQ(hwnd, nullptr) << spec.name;
      continue;
    }
    ASSERT_NE(hwnd, nullptr) << spec.name;
    const std::wstring expected_class = spec.kind == ControlKind::kTextBox  ? L"Edit"
                                        : spec.kind == ControlKind::kButton ? L"Button"
                                                                            : L"Static";
    EXPECT_EQ(_wcsicmp(ClassOf(hwnd).c_str(), expected_class.c_str()), 0) << spec.name;
    EXPECT_TRUE(::IsWindowEnabled(hwnd)) << spec.name;
    EXPECT_TRUE(::IsWindowVisible(hwnd)) << spec.name;
    if (spec.id != ControlId::Label1) {  // the load handler has written the welcome line there
      EXPECT_EQ(TextOf(hwnd), std::wstring(spec.text.begin(), spec.text.end())) << spec.name;
    }
    const RECT rc = ClientRectOf(window_.hwnd(), hwnd);
    EXPECT_EQ(rc.left, app::TwipsToPixels(spec.left, 96)) << spec.name;
    EXPECT_EQ(rc.top, app::TwipsToPixels(spec.top, 96)) << spec.name;
    EXPECT_EQ(rc.bottom - rc.top, app::TwipsToPixels(spec.height, 96)) << spec.name;
    if (spec.id != ControlId::Label1) {
      EXPECT_EQ(rc.right - rc.left, app::TwipsToPixels(spec.width, 96)) << spec.name;
    }
  }
  RECT client{};
  ::GetClientRect(window_.hwnd(), &client);
  EXPECT_EQ(client.right, 551);
  EXPECT_EQ(client.bottom, 199);
}

TEST_F(RealWindow, WelcomeLabelWidensToItsLineAndCaptionWaitsForTheFirstTick) {
  const HWND label = window_.control(ControlId::Label1);
  const std::wstring line = TextOf(label);
  EXPECT_EQ(line.rfind(L"Hello: ", 0), 0u) << line.c_str();
  EXPECT_GT(ClientRectOf(window_.hwnd(), label).right - ClientRectOf(window_.hwnd(), label).left,
            app::TwipsToPixels(855, 96));
  // No message has been pumped since the load: the title is still the layout's.
  EXPECT_EQ(TextOf(window_.hwnd()), L"Scroll");
}

TEST_F(RealWindow, TabWalksTheDescribedOrderSkippingLabelsAndFrame) {
  const ControlId expected[] = {ControlId::txt1,  ControlId::txt2,     ControlId::txt3,     ControlId::txt4,
                                ControlId::txt5,  ControlId::Command1, ControlId::Command2, ControlId::Command3,
                                ControlId::Text1, ControlId::Text2,    ControlId::Text3,    ControlId::Command4,
                                ControlId::Text4, ControlId::Command5, ControlId::txt1};
  HWND at = window_.control(ControlId::txt1);
  for (std::size_t i = 1; i < std::size(expected); ++i) {
    at = ::GetNextDlgTabItem(window_.hwnd(), at, FALSE);
    EXPECT_EQ(at, window_.control(expected[i])) << "step " << i << " should reach " << app::Spec(expected[i]).name;
  }
}

TEST_F(RealWindow, TxtOneHasTheFocusWhenTheWindowFirstShows) {
  EXPECT_EQ(::GetFocus(), window_.control(ControlId::txt1));
}

TEST_F(RealWindow, ColoursAndFontsAreTheDescribedOnes) {
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const HBITMAP bmp = ::CreateCompatibleBitmap(::GetDC(nullptr), 8, 8);
  const HGDIOBJ old = ::SelectObject(dc, bmp);
  // The window paints its background violet.
  ::SendMessageW(window_.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(81, 46, 124));
  // Label1 and Label3 draw dark yellow on the window's colour; Label2 in the
  // ordinary text colour.
  for (auto [id, colour] :
       {std::pair{ControlId::Label1, RGB(192, 192, 0)}, std::pair{ControlId::Label3, RGB(192, 192, 0)},
        std::pair{ControlId::Label2, ::GetSysColor(COLOR_BTNTEXT)}}) {
    const auto brush =
        reinterpret_cast<HBRUSH>(::SendMessageW(window_.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                reinterpret_cast<LPARAM>(window_.control(id))));
    EXPECT_EQ(::GetTextColor(dc), colour) << app::Spec(id).name;
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT) << app::Spec(id).name;
    LOGBRUSH lb{};
    ::GetObjectW(brush, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(81, 46, 124)) << app::Spec(id).name;
  }
  ::SelectObject(dc, old);
  ::DeleteObject(bmp);
  ::DeleteDC(dc);

  auto font_of = [&](ControlId id) {
    LOGFONTW lf{};
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window_.control(id), WM_GETFONT, 0, 0));
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
  };
  for (auto id : {ControlId::Text1, ControlId::Text3, ControlId::Text4}) {
    const LOGFONTW lf = font_of(id);
    EXPECT_EQ(lf.lfWeight, FW_BOLD) << app::Spec(id).name;
    EXPECT_EQ(lf.lfHeight, -13) << app::Spec(id).name;  // 9.75 pt at 96 DPI
    EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
  }
  for (auto id : {ControlId::Label1, ControlId::Label2, ControlId::Label3}) {
    const LOGFONTW lf = font_of(id);
    EXPECT_EQ(lf.lfWeight, FW_BOLD) << app::Spec(id).name;
    EXPECT_EQ(lf.lfHeight, -11) << app::Spec(id).name;  // 8.25 pt
  }
  for (auto id : {ControlId::txt1, ControlId::Text2, ControlId::Command1}) {
    EXPECT_EQ(font_of(id).lfWeight, FW_NORMAL) << app::Spec(id).name;
  }
}

TEST_F(RealWindow, TimersAreArmedOnlyForTheTitle) {
  EXPECT_TRUE(static_cast<appwin::WinTimer&>(window_.Tmr(ControlId::Timer6)).IsEnabled());
  for (auto id : {ControlId::Timer1, ControlId::Timer2, ControlId::Timer3, ControlId::Timer4, ControlId::Timer5}) {
    EXPECT_FALSE(static_cast<appwin::WinTimer&>(window_.Tmr(id)).IsEnabled()) << app::Spec(id).name;
  }
}

TEST_F(RealWindow, TitleScrollsOnRealTimerTicks) {
  const std::wstring banner = L"For Tamsivorlen. Made by Quorbelline !";
  std::wstring longest;
  const DWORD until = ::GetTickCount() + 3000;
  MSG msg;
  while (::GetTickCount() < until && longest.size() < 5) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    const std::wstring caption = TextOf(window_.hwnd());
    if (caption == L"Scroll") {  // before the first tick
      ::Sleep(10);
      continue;
    }
    ASSERT_EQ(banner.rfind(caption, 0), 0u) << "caption is not a prefix of the banner";
    if (caption.size() > longest.size()) longest = caption;
    ::Sleep(10);
  }
  EXPECT_GE(longest.size(), 5u);
}

void PumpFor(DWORD ms) {
  const ULONGLONG until = ::GetTickCount64() + ms;
  MSG msg;
  while (::GetTickCount64() < until) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
}

TEST_F(RealWindow, HandlerErrorIsShownOnceWithItsTextAndWakeUpsFromOutsideShowNothing) {
  testwin::MessageBoxes boxes;
  // Any program can post our private numbers, with any parameters: nothing
  // that comes with them is ours to show or to free.
  for (UINT msg = WM_APP; msg < WM_APP + 8; ++msg) ::PostMessageW(window_.hwnd(), msg, 0x10, 0x10);
  PumpFor(300);
  EXPECT_TRUE(boxes.texts().empty());

  // A status box destroyed under the rotation makes the tick fail, every
  // time: the error stops at the window procedure and is shown once.
  ::DestroyWindow(window_.control(ControlId::txt1));
  window_.Deliver([&] { window_.form().Timer1_Timer(); });
  window_.Deliver([&] { window_.form().Timer1_Timer(); });
  // Error texts are UTF-8 and reach the box whole.
  window_.Deliver([] {
    throw platform::Error(
        "Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x89\xA0 \xD0\xBE\xD0\xBA");
  });
  PumpFor(500);
  EXPECT_TRUE(::IsWindow(window_.hwnd()));
  const std::vector<std::wstring> expected{L"Object required: txt1", L"Gr\u00F6\u00DFe \u2260 \u043E\u043A"};
  EXPECT_EQ(boxes.texts(), expected);
}

}  // namespace
