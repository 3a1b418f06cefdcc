// The real window in this process: its layout at every DPI, keyboard order,
// colours, timers, edit boxes, handler errors, browser and screen readers.
#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/win32/dpi.h"
#include "platform/win32/apartment.h"
#include "platform/win32/com_object.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "tests/common/pump.h"
#include "tests/win32/real_window.h"
#include "tests/common/text.h"
#include "writer/ascii_rules.h"

namespace {

using app::ControlId;
using namespace std::chrono_literals;
using namespace realwin;

// Whether OLE (or COM) is still started on this thread.
bool ApartmentHeld() {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(hr)) ::CoUninitialize();
  return hr != S_OK;
}

// Each control's place in twips, class and font points, written out again
// rather than read from the table; a label's width is its caption's.
struct Place {
  ControlId id;
  const wchar_t* cls;
  int left, top, width, height;
  double points;  // 0: no font of its own
};
// clang-format off
constexpr Place kPlaces[] = {
    {ControlId::txt1, L"Edit", 120, 0, 1095, 375, 8.25},      {ControlId::txt2, L"Edit", 1320, 0, 855, 375, 8.25},
    {ControlId::txt3, L"Edit", 2280, 0, 855, 375, 8.25},      {ControlId::txt4, L"Edit", 3240, 0, 855, 375, 8.25},
    {ControlId::txt5, L"Edit", 4200, 0, 855, 375, 8.25},      {ControlId::Command4, L"Button", 7200, 0, 1095, 255, 8.25},
    {ControlId::Label1, L"Static", 120, 480, 0, 195, 8.25},   {ControlId::Label2, L"Static", 2055, 960, 0, 195, 8.25},
    {ControlId::Label3, L"Static", 5880, 960, 0, 195, 8.25},  {ControlId::Text1, L"Edit", 120, 1200, 5055, 405, 9.75},
    {ControlId::Text4, L"Edit", 5280, 1200, 2895, 405, 9.75}, {ControlId::Image2, L"Static", 6720, 1560, 1575, 1455, 0},
    {ControlId::Text3, L"Edit", 120, 1680, 5055, 405, 9.75},  {ControlId::Command5, L"Button", 5280, 1680, 1335, 495, 8.25},
    {ControlId::Frame1, L"Static", 120, 2160, 4695, 735, 0},  {ControlId::WebBrowser1, L"Static", 5280, 2280, 975, 615, 0},
    {ControlId::Command1, L"Button", 360, 2400, 1095, 375, 8.25}, {ControlId::Command2, L"Button", 1920, 2400, 1095, 375, 8.25},
    {ControlId::Command3, L"Button", 3480, 2400, 1095, 375, 8.25}, {ControlId::Text2, L"Edit", 240, 3840, 5055, 285, 8.25},
    {ControlId::Image1, L"Static", 240, 4200, 480, 480, 0},
};
// clang-format on

int Px(double twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

// Every control at its place and in its font for `dpi`, and the icon at that size.
void ExpectLaidOutAt(const app::win32::MainWindow& window, int dpi) {
  SCOPED_TRACE(testing::Message() << dpi << " DPI");
  for (const Place& place : kPlaces) {
    const HWND hwnd = window.ControlWindow(place.id);
    ASSERT_NE(hwnd, nullptr) << app::Spec(place.id).name;
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    EXPECT_EQ(_wcsicmp(cls, place.cls), 0) << app::Spec(place.id).name;
    RECT rc = testwin::ScreenRect(hwnd);
    ::MapWindowPoints(HWND_DESKTOP, window.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    const bool label = place.width == 0;
    SIZE caption{};
    if (label) {
      const auto dc = platform::win32::GetWindowDc(hwnd);
      const platform::win32::Selection font(dc.get(), FontOf(hwnd));
      const std::wstring text = TextOf(hwnd);
      ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &caption);
      EXPECT_EQ(::GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << app::Spec(place.id).name;
    }
    const int width = label ? caption.cx : Px(place.left + place.width, dpi) - Px(place.left, dpi);
    EXPECT_EQ(std::tuple(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top),
              std::tuple(Px(place.left, dpi), Px(place.top, dpi), width, Px(place.height, dpi)))
        << app::Spec(place.id).name;
    if (place.points == 0) continue;
    LOGFONTW font{};
    ::GetObjectW(FontOf(hwnd), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -std::lround(place.points * dpi / 72)) << app::Spec(place.id).name;
  }
  // The browser, once made, fills its area.
  const HWND area = window.ControlWindow(ControlId::WebBrowser1);
  RECT filled{}, browser = testwin::ScreenRect(::GetWindow(area, GW_CHILD));
  ::GetClientRect(area, &filled);
  ::MapWindowPoints(HWND_DESKTOP, area, reinterpret_cast<POINT*>(&browser), 2);
  EXPECT_TRUE(::EqualRect(&filled, &browser)) << "the browser does not fill its area";
  ICONINFO icon{};
  ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(window.hwnd(), WM_GETICON, ICON_BIG, 0)), &icon));
  const platform::win32::Bitmap mask(icon.hbmMask), colour(icon.hbmColor);
  BITMAP bits{};
  ::GetObjectW(mask.get(), sizeof bits, &bits);
  EXPECT_EQ(bits.bmWidth, Px(32 * 15, dpi)) << "the window's icon at this DPI";
}

// The client area the table's size at `dpi`.
void ExpectClientAreaAt(HWND window, int dpi) {
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(std::pair(client.right, client.bottom), (std::pair<LONG, LONG>(Px(8265, dpi), Px(2985, dpi))));
}

TEST_F(RealWindow, LaysOutAtItsMonitorsDpiAtEveryOtherAndTakesADpiChangeOnlyAsTheSystemSendsIt) {
  const HWND main = window_.hwnd();
  const int start = ::GetDeviceCaps(platform::win32::GetWindowDc(nullptr).get(), LOGPIXELSX);
  // Run on a screen of a chosen DPI, that is the one it opened at.
  if (const char* asked = std::getenv("STATUSCYCLER_DPI")) {
    EXPECT_EQ(start, std::atoi(asked));
  }
  // No message has been pumped since the load: the title is still the layout's.
  EXPECT_EQ(TextOf(main), L"Scroll");
  Click(ControlId::Command5);
  ASSERT_NE(::GetWindow(Control(ControlId::WebBrowser1), GW_CHILD), nullptr);
  ExpectLaidOutAt(window_, start);
  ExpectClientAreaAt(main, start);
  // As a move onto a monitor of other scaling lays them out (Wine has one DPI).
  for (const int dpi : {144, 120, 192, start}) {
    window_.Controls().LayOutAt(dpi);
    ExpectLaidOutAt(window_, dpi);
    // The icon's double-click decoded at this DPI (hidden by style: no X wait).
    ::SetWindowLongPtrW(main, GWL_STYLE, ::GetWindowLongPtrW(main, GWL_STYLE) & ~WS_VISIBLE);
    ::SendMessageW(main, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(main)) << "a double-click on the icon at " << dpi << " DPI";
  }
  // The change the system sends, into a suggested rectangle a size off: the
  // window goes there with the table's client area; minimised, it stays put.
  for (const bool minimised : {false, true}) {
    const RECT was = testwin::ScreenRect(main);
    const RECT suggested{was.left + 7, was.top + 5, was.right + 47, was.bottom + 35};
    if (minimised) ::ShowWindow(main, SW_MINIMIZE);
    ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(start, start), reinterpret_cast<LPARAM>(&suggested));
    if (minimised) ::ShowWindow(main, SW_RESTORE);
    const RECT at = testwin::ScreenRect(main), &want = minimised ? was : suggested;
    EXPECT_EQ(std::pair(at.left, at.top), std::pair(want.left, want.top)) << minimised;
    ExpectClientAreaAt(main, start);
  }
  // A DPI not the window's, and pointers posted or sent from another thread: none taken or read.
  const RECT was = testwin::ScreenRect(main);
  const RECT elsewhere{was.left + 50, was.top + 50, was.right + 99, was.bottom + 99};
  ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(start * 2, start * 2), reinterpret_cast<LPARAM>(&elsewhere));
  for (const UINT msg : {UINT{WM_DPICHANGED}, UINT{app::win32::WM_GETDPISCALEDSIZE}, UINT{WM_DRAWITEM}}) {
    ::PostMessageW(main, msg, MAKEWPARAM(start, start), 0x10);
  }
  PumpPosted();
  SIZE size{-1, -1};
  std::atomic<bool> sent = false;
  std::thread other([&] {
    ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(start, start), reinterpret_cast<LPARAM>(&elsewhere));
    ::SendMessageW(main, app::win32::WM_GETDPISCALEDSIZE, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&size));
    sent = true;
  });
  EXPECT_TRUE(testwin::PumpUntil([&] { return sent.load(); }));
  other.join();
  const RECT at = testwin::ScreenRect(main);
  EXPECT_TRUE(::EqualRect(&at, &was)) << "a change the system did not send was taken";
  EXPECT_EQ(size.cx, -1) << "another thread's size was written";
}

TEST_F(RealWindow, BoxesHaveNoLengthLimitTheKeyboardRunsInItsOrderAndTheColoursAreSet) {
  // Without EM_SETLIMITTEXT 0 typing stops at about 32,000 characters.
  for (const auto& spec : app::Inventory()) {
    if (spec.kind != app::ControlKind::kTextBox) continue;
    EXPECT_GE(::SendMessageW(Control(spec.id), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << spec.name;
  }

  // Tab skips the labels and the frame, and reaches Text2 below the edge.
  using enum ControlId;
  const ControlId tab[] = {txt2,  txt3,  txt4,  txt5,     Command1, Command2, Command3,
                           Text1, Text2, Text3, Command4, Text4,    Command5, txt1};
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
  // When each timer ticked; the ring's handlers are kept out, so nothing is published.
  static std::map<WPARAM, std::vector<std::chrono::steady_clock::time_point>> ticks;
  static WNDPROC original = nullptr;
  original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER) ticks[w].push_back(std::chrono::steady_clock::now());
        const bool ring = m == WM_TIMER && w != static_cast<WPARAM>(IdOf(ControlId::Timer6));
        return ring ? 0 : ::CallWindowProcW(original, h, m, w, l);
      })));
  const auto of = [](ControlId timer) -> auto& { return ticks[static_cast<WPARAM>(IdOf(timer))]; };
  // Order, not time, shows it: Timer1 armed, Timer2 six ticks of the title's
  // 100 ms timer later (half a second at least), and Timer1 armed again at
  // every turn until Timer2 ticks. Left running, Timer1 ticks first; restarted, it never would.
  auto& timer1 = window_.Controls().Timer(ControlId::Timer1);
  const std::size_t titles = (timer1.SetEnabled(true), of(ControlId::Timer6).size());
  testwin::PumpUntil([&] { return of(ControlId::Timer6).size() >= titles + 6; });
  window_.Controls().Timer(ControlId::Timer2).SetEnabled(true);
  testwin::PumpUntil([&] { return timer1.SetEnabled(true), !of(ControlId::Timer2).empty(); }, 30s);
  EXPECT_FALSE(of(ControlId::Timer1).empty()) << "Timer1 was restarted";
  testwin::PumpUntil([&] { return of(ControlId::Timer1).size() >= 5; }, 30s);
  ::SetWindowLongPtrW(window_.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  // The median gap, which a stall does not move, within half the interval either way.
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

TEST_F(RealWindow, EditBoxesRaiseTheirChangeInsideTheCallHoldEveryReplacementAndShowEachErrorOnce) {
  const HWND in = Control(ControlId::Text1), last = Control(ControlId::Text2), out = Control(ControlId::Text3);
  // Text set from code reaches the handler in the call; the writer's emptying re-enters it harmlessly.
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
  PumpPosted();
  EXPECT_TRUE(Boxes().empty());

  // An append cut short by a limit is an error, once per error; the append stays done.
  ::SendMessageW(Control(ControlId::Text3), EM_SETLIMITTEXT, 5, 0);
  ::SetWindowTextW(Control(ControlId::Text3), L"abc");
  Type(ControlId::Text1, L'H');
  Type(ControlId::Text1, L'H');
  EXPECT_EQ(TextOf(Control(ControlId::Text3)), L"abc{)");
  // A box gone from under its handler.
  ::DestroyWindow(Control(ControlId::Text4));
  Click(ControlId::Command5);
  PumpPosted();
  EXPECT_TRUE(::IsWindow(window_.hwnd()));
  EXPECT_EQ(Boxes(), (std::vector<std::wstring>{L"The box could not take the whole text", L"Object required: Text4"}));
  // Our texts are UTF-8, the runtime's may be in the ANSI page: either comes whole.
  EXPECT_EQ(platform::win32::WidenMessage("Gr\xC3\xB6\xC3\x9F"
                                          "e \xE2\x89\xA0 \xD0\xBE\xD0\xBA"),
            L"Gr\u00F6\u00DFe \u2260 \u043E\u043A");
  EXPECT_EQ(platform::win32::WidenMessage("caf\xE9"), L"caf\u00E9");
}

TEST_F(RealWindow, TheFirstCheckMakesOneHardenedBrowserAndOleEndsAfterTheWindowObject) {
  const HWND area = Control(ControlId::WebBrowser1);
  EXPECT_EQ(::GetWindow(area, GW_CHILD), nullptr) << "made before the first check";
  for (int check = 0; check < 2; ++check) Click(ControlId::Command5);
  PumpPosted();
  EXPECT_TRUE(Boxes().empty());
  const HWND control = ::GetWindow(area, GW_CHILD);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(::GetWindow(control, GW_HWNDNEXT), nullptr) << "a second control over the first";
  // The engine's hardening holds for the whole process, from the first check on.
  for (const INTERNETFEATURELIST feature :
       {FEATURE_ZONE_ELEVATION, FEATURE_MIME_SNIFFING, FEATURE_MIME_HANDLING, FEATURE_WINDOW_RESTRICTIONS,
        FEATURE_WEBOC_POPUPMANAGEMENT, FEATURE_BLOCK_INPUT_PROMPTS, FEATURE_RESTRICT_ACTIVEXINSTALL,
        FEATURE_RESTRICT_FILEDOWNLOAD, FEATURE_SAFE_BINDTOOBJECT}) {
    EXPECT_EQ(::CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS), S_OK) << "feature " << feature;
  }
  // Only the window's own teardown can let the control go, before its parent.
  window_.End();
  EXPECT_FALSE(::IsWindow(control));
  // OLE, for the browser alone, ends with the window object, after the loop.
  EXPECT_TRUE(ApartmentHeld());
  object_.reset();
  EXPECT_FALSE(ApartmentHeld());
}

// What a screen reader hears, asked from an apartment of its own so answers
// cross over: each name and role, the first's name without a child id, and
// the last one's children. Shared, so that a stuck reader can be left behind.
struct Reading {
  std::vector<std::pair<std::wstring, LONG>> said;  // name, role
  std::wstring unasked;
  ULONG last_children = 0;
  std::atomic<bool> done{false};
};

std::shared_ptr<Reading> Read(const std::vector<HWND>& windows) {
  auto reading = std::make_shared<Reading>();
  std::thread([reading, windows] {
    if (const platform::win32::ScopedCom com; com.usable()) {
      for (const HWND hwnd : windows) {
        auto& [name, role] = reading->said.emplace_back(L"", -1);
        Microsoft::WRL::ComPtr<IAccessible> object;
        if (FAILED(::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                reinterpret_cast<void**>(object.GetAddressOf())))) {
          continue;
        }
        const auto name_of = [&](VARIANT child) {
          BSTR text = nullptr;
          std::wstring said = SUCCEEDED(object->get_accName(child, &text)) && text != nullptr ? text : L"";
          ::SysFreeString(text);
          return said;
        };
        VARIANT self{}, is{};
        self.vt = VT_I4;  // CHILDID_SELF
        name = name_of(self);
        if (SUCCEEDED(object->get_accRole(self, &is)) && is.vt == VT_I4) role = is.lVal;
        if (hwnd == windows.front()) reading->unasked = name_of(VARIANT{});
        Microsoft::WRL::ComPtr<IEnumVARIANT> children;
        if (hwnd == windows.back() && SUCCEEDED(object.As(&children))) {
          VARIANT child[4] = {};
          children->Next(4, child, &reading->last_children);
          for (auto& c : child) ::VariantClear(&c);
        }
      }
    }
    reading->done = true;
  }).detach();
  EXPECT_TRUE(testwin::PumpUntil([&] { return reading->done.load(); }, 60s)) << "a screen reader's request hung";
  return reading;
}

TEST_F(RealWindow, AScreenReaderHearsEachBoxByWhatItIsForNotAsAnEditOrAsTheWriter) {
  // Unnamed, eight boxes were just "edit" and the screen name box took the writer's label.
  using enum ControlId;
  // clang-format off
  const std::tuple<ControlId, const wchar_t*, LONG> heard[] = {
      {txt1, L"Status 1", ROLE_SYSTEM_TEXT}, {txt5, L"Status 5", ROLE_SYSTEM_TEXT},
      {Text1, L"Text to decorate", ROLE_SYSTEM_TEXT}, {Text2, L"Last decoration", ROLE_SYSTEM_TEXT},
      {Text3, L"Decorated text", ROLE_SYSTEM_TEXT}, {Text4, L"Screen name to check", ROLE_SYSTEM_TEXT},
      {Command1, L"Start", ROLE_SYSTEM_PUSHBUTTON}, {Label2, L"Ascii writer", ROLE_SYSTEM_STATICTEXT},
      {WebBrowser1, L"Online status page", ROLE_SYSTEM_PANE},
  };
  // clang-format on
  Click(Command5);  // a page in the pane
  std::vector<HWND> windows;
  for (const auto& row : heard) windows.push_back(Control(std::get<0>(row)));
  const auto reading = Read(windows);
  ASSERT_EQ(reading->said.size(), std::size(heard));
  for (std::size_t i = 0; i < std::size(heard); ++i) {
    const auto& [id, name, role] = heard[i];
    EXPECT_EQ(reading->said[i], std::pair(std::wstring(name), role)) << app::Spec(id).name;
  }
  EXPECT_EQ(reading->unasked, L"Status 1") << "asked without a child id";
  EXPECT_GE(reading->last_children, 1u) << "the browser pane's children cannot be walked";
}

// The system's annotation service as Windows has it: it takes every name and
// remembers which it holds. (Wine's answers E_NOTIMPL: the screen reader test.)
class Annotations final : public platform::win32::ComObject<IAccPropServices> {
 public:
  std::vector<std::pair<HWND, std::wstring>> held;
  STDMETHODIMP SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID prop, LPCWSTR str) override {
    if (object == static_cast<DWORD>(OBJID_CLIENT) && child == CHILDID_SELF && IsEqualGUID(prop, PROPID_ACC_NAME))
      held.emplace_back(hwnd, str);
    return S_OK;
  }
  STDMETHODIMP ClearHwndProps(HWND hwnd, DWORD, DWORD, const MSAAPROPID* props, int count) override {
    if (count == 1 && IsEqualGUID(*props, PROPID_ACC_NAME))
      std::erase_if(held, [&](auto& h) { return h.first == hwnd; });
    return S_OK;
  }
  // Nothing else is asked of it.
#define NOT_ASKED(method, ...) \
  STDMETHODIMP method(__VA_ARGS__) override { return E_NOTIMPL; }
  NOT_ASKED(SetPropValue, const BYTE*, DWORD, MSAAPROPID, VARIANT)
  NOT_ASKED(SetPropServer, const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
  NOT_ASKED(ClearProps, const BYTE*, DWORD, const MSAAPROPID*, int)
  NOT_ASKED(SetHwndProp, HWND, DWORD, DWORD, MSAAPROPID, VARIANT)
  NOT_ASKED(SetHwndPropServer, HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
  NOT_ASKED(ComposeHwndIdentityString, HWND, DWORD, DWORD, BYTE**, DWORD*)
  NOT_ASKED(DecomposeHwndIdentityString, const BYTE*, DWORD, HWND*, DWORD*, DWORD*)
  NOT_ASKED(SetHmenuProp, HMENU, DWORD, MSAAPROPID, VARIANT)
  NOT_ASKED(SetHmenuPropStr, HMENU, DWORD, MSAAPROPID, LPCWSTR)
  NOT_ASKED(SetHmenuPropServer, HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
  NOT_ASKED(ClearHmenuProps, HMENU, DWORD, const MSAAPROPID*, int)
  NOT_ASKED(ComposeHmenuIdentityString, HMENU, DWORD, BYTE**, DWORD*)
  NOT_ASKED(DecomposeHmenuIdentityString, const BYTE*, DWORD, HMENU*, DWORD*)
#undef NOT_ASKED

 private:
  void* Interface(REFIID iid) override {
    return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAccPropServices) ? this : nullptr;
  }
};

TEST(Annotation, WhereTheSystemTakesNamesItAnswersForTheControls) {
  Microsoft::WRL::ComPtr<Annotations> service;
  service.Attach(new Annotations);
  app::win32::AccessibleControls described(service);
  // Gone before what answers for them.
  const platform::win32::Handle<HWND, &::DestroyWindow> parent(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
  std::array<HWND, app::kControlCount> windows{};
  auto& txt1 = windows[static_cast<std::size_t>(ControlId::txt1)];
  auto& text4 = windows[static_cast<std::size_t>(ControlId::Text4)];
  for (HWND* box : {&txt1, &text4}) {
    *box = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 90, 20, parent.get(), nullptr, nullptr, nullptr);
  }
  described.Describe(windows);
  EXPECT_EQ(service->held,
            (std::vector<std::pair<HWND, std::wstring>>{{txt1, L"Status 1"}, {text4, L"Screen name to check"}}));
  // The system's own object answers, with no wrapper of ours over it.
  EXPECT_NE(Read({txt1})->said.at(0).first, L"Status 1");
  described.Stop();
  EXPECT_TRUE(service->held.empty()) << "a name left with the system as the window went";
}

}  // namespace
