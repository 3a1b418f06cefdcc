// The real window in this process, as Windows (Wine) sees it: its controls
// built from the inventory, its keyboard order, colours and fonts, its timers,
// its edit boxes, and what becomes of a handler's error.
#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
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

TEST_F(RealWindow, ArmingAnArmedTimerLeavesItsIntervalRunning) {
  // Order, not time, shows it: Timer1 armed, Timer2 armed half a second
  // later, Timer1 armed again at 0.9 s. Left running, Timer1 ticks first
  // (due at 1 s, Timer2 at 1.5 s); restarted, it would tick after Timer2.
  static std::vector<WPARAM> ticks;
  static WNDPROC original = nullptr;
  ticks.clear();
  original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        const bool ring = m == WM_TIMER && (w == static_cast<WPARAM>(IdOf(ControlId::Timer1)) ||
                                            w == static_cast<WPARAM>(IdOf(ControlId::Timer2)));
        if (!ring) return ::CallWindowProcW(original, h, m, w, l);
        ticks.push_back(w);  // kept from the handlers: this test publishes nothing
        return 0;
      })));
  window_.Timer(ControlId::Timer1).SetEnabled(true);
  testwin::PumpFor(500ms);
  window_.Timer(ControlId::Timer2).SetEnabled(true);
  testwin::PumpFor(400ms);
  window_.Timer(ControlId::Timer1).SetEnabled(true);
  testwin::PumpUntil([] { return ticks.size() >= 2; }, 10s);
  ::SetWindowLongPtrW(window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  ASSERT_GE(ticks.size(), 2u);
  EXPECT_EQ(ticks[0], static_cast<WPARAM>(IdOf(ControlId::Timer1)));
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

TEST_F(RealWindow, AScreenReaderHearsEachBoxByWhatItIsForNotAsAnEditOrAsTheWriter) {
  // In the words Windows gives each kind of control. Unnamed, eight boxes were
  // just "edit" and the screen name box took the writer's label. Label1's name
  // is its caption as shown.
  struct Heard {
    ControlId id;
    const wchar_t* name;
    LONG role;
  };
  const Heard heard[] = {
      {ControlId::txt1, L"Status 1", ROLE_SYSTEM_TEXT},
      {ControlId::txt2, L"Status 2", ROLE_SYSTEM_TEXT},
      {ControlId::txt3, L"Status 3", ROLE_SYSTEM_TEXT},
      {ControlId::txt4, L"Status 4", ROLE_SYSTEM_TEXT},
      {ControlId::txt5, L"Status 5", ROLE_SYSTEM_TEXT},
      {ControlId::Text1, L"Text to decorate", ROLE_SYSTEM_TEXT},
      {ControlId::Text2, L"Last decoration", ROLE_SYSTEM_TEXT},
      {ControlId::Text3, L"Decorated text", ROLE_SYSTEM_TEXT},
      {ControlId::Text4, L"Screen name to check", ROLE_SYSTEM_TEXT},
      {ControlId::WebBrowser1, L"Online status page", ROLE_SYSTEM_PANE},
      {ControlId::Command1, L"Start", ROLE_SYSTEM_PUSHBUTTON},
      {ControlId::Command2, L"Stop", ROLE_SYSTEM_PUSHBUTTON},
      {ControlId::Command3, L"Exit", ROLE_SYSTEM_PUSHBUTTON},
      {ControlId::Command4, L"Minimize", ROLE_SYSTEM_PUSHBUTTON},
      {ControlId::Command5, L"Check online/offline", ROLE_SYSTEM_PUSHBUTTON},
      {ControlId::Label1, nullptr, ROLE_SYSTEM_STATICTEXT},
      {ControlId::Label2, L"Ascii writer", ROLE_SYSTEM_STATICTEXT},
      {ControlId::Label3, L"Enter Name to check", ROLE_SYSTEM_STATICTEXT},
  };
  // Asked from a thread and apartment of its own, as a screen reader asks from
  // its process, so every answer crosses over as it would to one. Shared, so
  // that a reader stuck on an unanswered request can be left behind.
  struct Reading {
    std::vector<HWND> windows;
    std::vector<std::pair<std::wstring, LONG>> said;  // name, role
    std::atomic<bool> done{false};
  };
  const auto reading = std::make_shared<Reading>();
  for (const auto& row : heard) reading->windows.push_back(Control(row.id));
  std::thread([reading] {
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
      for (const HWND hwnd : reading->windows) {
        auto& [name, role] = reading->said.emplace_back(L"", -1);
        Microsoft::WRL::ComPtr<IAccessible> object;
        if (FAILED(::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                reinterpret_cast<void**>(object.GetAddressOf())))) {
          continue;
        }
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (SUCCEEDED(object->get_accName(self, &text)) && text != nullptr) name = text;
        ::SysFreeString(text);
        VARIANT is{};
        if (SUCCEEDED(object->get_accRole(self, &is)) && is.vt == VT_I4) role = is.lVal;
      }
      ::CoUninitialize();
    }
    reading->done = true;
  }).detach();
  ASSERT_TRUE(testwin::PumpUntil([&] { return reading->done.load(); }, 60s));
  ASSERT_EQ(reading->said.size(), std::size(heard));
  for (std::size_t i = 0; i < std::size(heard); ++i) {
    const auto& [id, name, role] = heard[i];
    const auto& [said_name, said_role] = reading->said[i];
    EXPECT_EQ(said_name, name != nullptr ? name : TextOf(Control(id))) << app::Spec(id).name;
    EXPECT_EQ(said_role, role) << app::Spec(id).name;
  }
  // The COM that answering started goes with the window.
  window_.End();
  const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(apartment, S_OK);
  if (SUCCEEDED(apartment)) ::CoUninitialize();
}

}  // namespace
