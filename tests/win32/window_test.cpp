// The real window in this process, as Windows (Wine) sees it: its controls
// built from the inventory, its keyboard order, colours and fonts, its timers,
// its edit boxes, and what becomes of a handler's error.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "platform/win32/handles.h"
#include "tests/common/pump.h"
#include "tests/common/text.h"
#include "writer/ascii_rules.h"

namespace {

using app::ControlId;
using app::ControlKind;
using namespace std::chrono_literals;

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

int IdOf(ControlId id) { return app::win32::kFirstControlId + static_cast<int>(id); }

// Message boxes are answered as they come up on this thread, and their texts
// kept: no test waits on a dialog. A box shown from inside another's loop
// activates the first again when it goes, so each is kept once.
std::vector<std::pair<HWND, std::wstring>> g_boxes;

LRESULT CALLBACK AnswerBoxes(int code, WPARAM wparam, LPARAM lparam) {
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
    ASSERT_TRUE(window_.Create(SW_SHOW));
    ::SetForegroundWindow(window_.hwnd());
  }
  static std::vector<std::wstring> Boxes() {
    std::vector<std::wstring> texts;
    for (const auto& box : g_boxes) texts.push_back(box.second);
    return texts;
  }
  HWND Control(ControlId id) const { return window_.ControlWindow(id); }
  // A character as the keyboard delivers it to a box.
  void Type(ControlId box, wchar_t c) const { ::SendMessageW(Control(box), WM_CHAR, c, 1); }
  // The button's click as the button itself reports it.
  void Click(ControlId button) const {
    ::SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IdOf(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(button)));
  }

  const platform::win32::Handle<HHOOK, &::UnhookWindowsHookEx> hook_{
      ::SetWindowsHookExW(WH_CBT, &AnswerBoxes, nullptr, ::GetCurrentThreadId())};
  app::win32::MainWindow window_{::GetModuleHandleW(nullptr)};
};

TEST_F(RealWindow, ControlsHaveTheirClassTextPlaceKeyboardOrderColoursAndFonts) {
  const int dpi = ::GetDeviceCaps(platform::win32::GetWindowDc(nullptr).get(), LOGPIXELSX);
  for (const auto& spec : app::Inventory()) {
    const HWND hwnd = Control(spec.id);
    if (spec.kind == ControlKind::kTimer || spec.kind == ControlKind::kSocket) continue;
    ASSERT_NE(hwnd, nullptr) << spec.name;
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    const wchar_t* expected = spec.kind == ControlKind::kTextBox  ? L"Edit"
                              : spec.kind == ControlKind::kButton ? L"Button"
                                                                  : L"Static";
    EXPECT_EQ(_wcsicmp(cls, expected), 0) << spec.name;
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(HWND_DESKTOP, window_.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, app::TwipsToPixels(spec.left, dpi)) << spec.name;
    EXPECT_EQ(rc.top, app::TwipsToPixels(spec.top, dpi)) << spec.name;
    EXPECT_EQ(rc.bottom - rc.top, app::TwipsToPixels(spec.height, dpi)) << spec.name;
    if (spec.kind == ControlKind::kLabel) {  // as wide as its caption in its font, the welcome line in Label1
      const auto dc = platform::win32::GetWindowDc(hwnd);
      const platform::win32::Selection font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
      SIZE extent{};
      const std::wstring caption = spec.id == ControlId::Label1 ? TextOf(hwnd) : Wide(spec.text);
      ::GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
      EXPECT_EQ(rc.right - rc.left, extent.cx) << spec.name;
      EXPECT_TRUE(spec.id != ControlId::Label1 || TextOf(hwnd).starts_with(L"Hello: "));
    } else {
      EXPECT_EQ(rc.right - rc.left, app::TwipsToPixels(spec.width, dpi)) << spec.name;
    }
    if (spec.id == ControlId::Label1) continue;
    EXPECT_EQ(TextOf(hwnd), Wide(spec.text)) << spec.name;
    if (spec.kind == ControlKind::kTextBox) {
      // Without EM_SETLIMITTEXT 0 typing stops at about 32,000 characters.
      EXPECT_GE(::SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << spec.name;
    }
    if (spec.font == app::FontKind::kNone) continue;
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    const bool bold = spec.font == app::FontKind::kLabelBold || spec.font == app::FontKind::kBoxBold;
    EXPECT_EQ(font.lfWeight, bold ? FW_BOLD : FW_NORMAL) << spec.name;
    EXPECT_EQ(font.lfHeight, -::MulDiv(spec.font == app::FontKind::kBoxBold ? 975 : 825, dpi, 7200)) << spec.name;
  }
  RECT client{};
  ::GetClientRect(window_.hwnd(), &client);
  EXPECT_EQ(client.right, app::TwipsToPixels(app::kClientWidthTwips, dpi));
  EXPECT_EQ(client.bottom, app::TwipsToPixels(app::kClientHeightTwips, dpi));
  // No message has been pumped since the load: the title is still the layout's.
  EXPECT_EQ(TextOf(window_.hwnd()), L"Scroll");

  // Tab skips the labels and the frame, and reaches Text2 below the edge.
  const ControlId tab[] = {ControlId::txt2,     ControlId::txt3,     ControlId::txt4,     ControlId::txt5,
                           ControlId::Command1, ControlId::Command2, ControlId::Command3, ControlId::Text1,
                           ControlId::Text2,    ControlId::Text3,    ControlId::Command4, ControlId::Text4,
                           ControlId::Command5, ControlId::txt1};
  HWND at = Control(ControlId::txt1);
  for (ControlId next : tab) {
    at = ::GetNextDlgTabItem(window_.hwnd(), at, FALSE);
    EXPECT_EQ(at, Control(next)) << "Tab should reach " << app::Spec(next).name;
  }

  // Violet behind everything; Label1 and Label3 dark yellow, Label2 plain.
  const platform::win32::MemoryDc memory(::CreateCompatibleDC(nullptr));
  const HDC dc = memory.get();
  const platform::win32::Bitmap bitmap(::CreateCompatibleBitmap(platform::win32::GetWindowDc(nullptr).get(), 4, 4));
  const platform::win32::Selection paper(dc, bitmap.get());
  ::SendMessageW(window_.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(::GetPixel(dc, 1, 1), RGB(81, 46, 124));
  for (auto [id, colour] :
       {std::pair{ControlId::Label1, RGB(192, 192, 0)}, std::pair{ControlId::Label3, RGB(192, 192, 0)},
        std::pair{ControlId::Label2, ::GetSysColor(COLOR_BTNTEXT)}}) {
    ::SendMessageW(window_.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(Control(id)));
    EXPECT_EQ(::GetTextColor(dc), colour) << app::Spec(id).name;
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT) << app::Spec(id).name;
  }
}

TEST_F(RealWindow, TimersTickAtTheirIntervalsAndArmingAnArmedOneLeavesItsIntervalRunning) {
  // When each timer ticked; the ring's ticks are kept from their handlers, so
  // this test publishes nothing.
  static std::map<WPARAM, std::vector<std::chrono::steady_clock::time_point>> ticks;
  static WNDPROC original = nullptr;
  original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER) ticks[w].push_back(std::chrono::steady_clock::now());
        const bool ring = m == WM_TIMER && w != static_cast<WPARAM>(IdOf(ControlId::Timer6));
        return ring ? 0 : ::CallWindowProcW(original, h, m, w, l);
      })));
  const auto of = [](ControlId timer) -> auto& { return ticks[static_cast<WPARAM>(IdOf(timer))]; };
  // Order, not time, shows it: Timer1 armed, Timer2 armed half a second
  // later, Timer1 armed again at 0.9 s. Left running, Timer1 ticks first
  // (due at 1 s, Timer2 at 1.5 s); restarted, it would tick after Timer2. A
  // run so slow that Timer1 ticked before its second arming shows nothing,
  // and is made again.
  auto& timer1 = window_.Timer(ControlId::Timer1);
  auto& timer2 = window_.Timer(ControlId::Timer2);
  bool shown = false;
  for (int run = 0; run < 5 && !shown; ++run) {
    timer1.SetEnabled(false), timer2.SetEnabled(false), ticks.clear();
    timer1.SetEnabled(true);
    testwin::PumpFor(500ms);
    timer2.SetEnabled(true);
    testwin::PumpFor(400ms);
    shown = of(ControlId::Timer1).empty();
    timer1.SetEnabled(true);
  }
  testwin::PumpUntil([&] { return of(ControlId::Timer1).size() >= 5 && !of(ControlId::Timer2).empty(); }, 30s);
  ::SetWindowLongPtrW(window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  ASSERT_TRUE(shown) << "every run was too slow for Timer1 to be armed again before it ticked";
  ASSERT_FALSE(of(ControlId::Timer2).empty());
  EXPECT_LT(of(ControlId::Timer1).front(), of(ControlId::Timer2).front()) << "Timer1 was restarted";
  // The median gap, which a one-off stall does not move, generously bounded
  // on both sides: twice the interval is out.
  for (const auto& [timer, name, interval_ms] :
       {std::tuple{ControlId::Timer6, "Timer6", 100}, std::tuple{ControlId::Timer1, "Timer1", 1000}}) {
    std::vector<long long> gaps;
    for (std::size_t i = 1; i < of(timer).size(); ++i) gaps.push_back((of(timer)[i] - of(timer)[i - 1]) / 1ms);
    ASSERT_GE(gaps.size(), 4u) << name;
    const auto median = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
    std::ranges::nth_element(gaps, median);
    EXPECT_TRUE(*median > interval_ms / 2 && *median < interval_ms * 3 / 2) << name << ": " << *median;
  }
}

TEST_F(RealWindow, EditBoxesRaiseTheirChangeInsideTheCallAndHoldEveryReplacement) {
  const HWND in = Control(ControlId::Text1);
  const HWND last = Control(ControlId::Text2);
  const HWND out = Control(ControlId::Text3);
  // Setting the text from code reaches the handler before the call returns,
  // and the writer's own emptying of the box re-enters it harmlessly.
  ::SetWindowTextW(in, L"b");
  EXPECT_EQ(TextOf(in), L"");
  EXPECT_EQ(TextOf(out), L"\u00FE");
  // Every replacement reads back from Text2 as it was set, U+00A0..U+00FF included.
  std::wstring expected = L"\u00FE";
  for (const auto& rule : writer::AsciiRules()) {
    Type(ControlId::Text1, static_cast<wchar_t>(rule.key));
    EXPECT_EQ(testtext::Show(TextOf(last)), testtext::Show(rule.replacement));
    expected += TextOf(last);
  }
  EXPECT_EQ(TextOf(out), expected);
  EXPECT_EQ(::GetFocus(), in);
  // Past any default limit, the user's text and the writer's appends both fit.
  const std::wstring big(100000, L'x');
  ::SetWindowTextW(out, big.c_str());
  Type(ControlId::Text1, L'h');
  EXPECT_EQ(TextOf(out), big + L"|-|");
  testwin::PumpFor(200ms);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RealWindow, HandlerErrorsAreShownOnceEachWithTheirText) {
  ::SetWindowTextW(Control(ControlId::Text1), L"");
  // An append cut short by a limit is an error, not a silent loss; the
  // append stays done. Twice the same error: one box.
  ::SendMessageW(Control(ControlId::Text3), EM_SETLIMITTEXT, 5, 0);
  ::SetWindowTextW(Control(ControlId::Text3), L"abc");
  Type(ControlId::Text1, L'H');
  Type(ControlId::Text1, L'H');
  EXPECT_EQ(TextOf(Control(ControlId::Text3)), L"abc{)");
  // A box gone from under its handler.
  ::DestroyWindow(Control(ControlId::Text4));
  Click(ControlId::Command5);
  testwin::PumpFor(500ms);
  EXPECT_TRUE(::IsWindow(window_.hwnd()));
  const std::vector<std::wstring> expected{L"The box could not take the whole text", L"Object required: Text4"};
  EXPECT_EQ(Boxes(), expected);
  // Our texts are UTF-8, the runtime's may be in the ANSI page: either comes whole.
  EXPECT_EQ(platform::win32::WidenMessage("Gr\xC3\xB6\xC3\x9F"
                                          "e \xE2\x89\xA0 \xD0\xBE\xD0\xBA"),
            L"Gr\u00F6\u00DFe \u2260 \u043E\u043A");
  EXPECT_EQ(platform::win32::WidenMessage("caf\xE9"), L"caf\u00E9");
}

TEST_F(RealWindow, TheFirstCheckMakesTheBrowserInItsAreaAndExitTearsItDownWithTheWindow) {
  const HWND area = Control(ControlId::WebBrowser1);
  EXPECT_EQ(::GetWindow(area, GW_CHILD), nullptr) << "made before the first check";
  for (int check = 0; check < 2; ++check) Click(ControlId::Command5);
  const HWND control = ::GetWindow(area, GW_CHILD);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(::GetWindow(control, GW_HWNDNEXT), nullptr) << "a second control over the first";
  RECT want{}, got{};
  ::GetClientRect(area, &want);
  ::GetWindowRect(control, &got);
  ::MapWindowPoints(HWND_DESKTOP, area, reinterpret_cast<POINT*>(&got), 2);
  EXPECT_TRUE(::EqualRect(&want, &got));
  // The window object outlives its window here: only the window's own
  // teardown can have let the control go, before the parent it lives in.
  window_.End();
  EXPECT_FALSE(::IsWindow(control));
  // With it went OLE, which only the browser needed: the apartment is free.
  const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(apartment, S_OK);
  if (SUCCEEDED(apartment)) ::CoUninitialize();
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
