#include "app/win32/win_controls.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/tray_icon.h"
#include "app/win32/dpi.h"
#include "app/win32/resource.h"
#include "app/win32/styles.h"
#include "platform/error.h"
#include "platform/win32/browser_host.h"
#include "platform/win32/wide_text.h"

namespace app::win32 {
namespace {

using app::ControlId;
using app::ControlKind;
using platform::win32::FromWide;
using platform::win32::ToWide;

COLORREF ToColorRef(platform::Rgb c) { return RGB(c.r, c.g, c.b); }

platform::Text WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return FromWide(text);
}

}  // namespace

HWND OwnWindow::Require() const {
  if (hwnd_ == nullptr || !::IsWindow(hwnd_)) {
    throw platform::Error("Object required: " + std::string(app::Spec(id_).name));
  }
  return hwnd_;
}

// ---- the controls' wrappers -------------------------------------------------

platform::Text EditBox::GetText() const { return WindowText(Require()); }

void EditBox::SetText(platform::TextView text) {
  // The edit control raises EN_CHANGE from inside this call, so the change
  // handler has run by the time it returns.
  const std::wstring wide = ToWide(text);
  if (!::SetWindowTextW(Require(), wide.c_str())) throw platform::Error("Could not set the text of a box");
}

void EditBox::AppendText(platform::TextView text) {
  const HWND box = Require();
  const std::wstring wide = ToWide(text);
  const LRESULT end = ::GetWindowTextLengthW(box);
  // Moving the selection makes the control measure the caret's place in the
  // whole line again, which costs as much as the text is long; after the last
  // append the caret is usually at the end already.
  DWORD sel_start = 0;
  DWORD sel_end = 0;
  ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start), reinterpret_cast<LPARAM>(&sel_end));
  if (sel_start != static_cast<DWORD>(end) || sel_end != static_cast<DWORD>(end)) {
    ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
  }
  ::SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  // A control with a length limit cuts the text short without a word.
  if (::GetWindowTextLengthW(box) != end + static_cast<LRESULT>(wide.size())) {
    throw platform::Error("The box could not take the whole text");
  }
}

void EditBox::SetEnabled(bool enabled) { ::EnableWindow(Require(), enabled ? TRUE : FALSE); }

void EditBox::SetFocus() {
  const HWND box = Require();
  // A box is visible only while the window it sits on is.
  if (!::IsWindowVisible(box) || !::IsWindowEnabled(box)) {
    throw platform::Error("Invalid procedure call: the box cannot take the focus");
  }
  ::SetFocus(box);
}

void StaticLabel::SetCaption(platform::TextView caption) {
  const HWND label = Require();
  const std::wstring wide = ToWide(caption);
  // The label sizes itself to its caption, on one line, in the font it has.
  SIZE extent{};
  {
    const auto dc = platform::win32::GetWindowDc(label);
    const platform::win32::Selection font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    ::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
  }
  const HWND parent = ::GetParent(label);
  RECT rc{};
  ::GetWindowRect(label, &rc);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
  ::SetWindowTextW(label, wide.c_str());
  ::SetWindowPos(label, nullptr, 0, 0, extent.cx, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // What the old caption covered shows the window's colour again.
  ::InvalidateRect(parent, &rc, TRUE);
}

void FramePanel::SetBackColor(platform::Rgb color) {
  const HWND frame = Require();
  brush_.reset(::CreateSolidBrush(ToColorRef(color)));
  ::InvalidateRect(frame, nullptr, TRUE);
}

void WinTimer::SetEnabled(bool enabled) {
  // Arming an armed timer must leave its interval running; SetTimer would
  // restart it, so only a change of state reaches the system.
  if (enabled == enabled_) return;
  const UINT_PTR timer_id = static_cast<UINT_PTR>(id_) + kFirstControlId;
  if (enabled) {
    // With no window, SetTimer would make a timer of the thread's instead,
    // ticking into nothing for the rest of the process.
    if (window_ == nullptr) throw platform::Error("The window is gone");
    if (::SetTimer(window_, timer_id, static_cast<UINT>(app::Spec(id_).timer_interval_ms), nullptr) == 0) {
      throw platform::Error("Out of timers");
    }
  } else if (window_ != nullptr) {
    ::KillTimer(window_, timer_id);
  }
  enabled_ = enabled;
}

void WinTimer::WindowGone() noexcept {
  if (enabled_ && window_ != nullptr) ::KillTimer(window_, static_cast<UINT_PTR>(id_) + kFirstControlId);
  enabled_ = false;
  window_ = nullptr;
}

BrowserArea::BrowserArea(HWND area) : OwnWindow(area, ControlId::WebBrowser1) {}

BrowserArea::~BrowserArea() { Destroy(); }

void BrowserArea::Navigate(platform::TextView url) {
  // The control is created on the first check: until then its rectangle
  // shows blank, as the control would, and start-up stays cheap.
  if (!host_) {
    // OLE serves the browser control alone, so it starts with the first check
    // rather than with the program.
    if (!ole_) ole_.emplace();
    if (!ole_->ok()) {
      ole_.reset();
      throw platform::Error("The web browser control could not be created");
    }
    const HWND area = Require();
    RECT rc{};
    ::GetClientRect(area, &rc);
    auto host = std::make_unique<platform::win32::BrowserHost>();
    if (FAILED(host->Create(area, rc))) throw platform::Error("The web browser control could not be created");
    host_ = std::move(host);
  }
  const std::wstring wide = ToWide(url);
  if (FAILED(host_->Navigate(wide.c_str()))) throw platform::Error("Navigation failed");
}

bool BrowserArea::TranslateAccelerator(MSG* msg) { return host_ && host_->TranslateAccelerator(msg); }

void BrowserArea::Resize() {
  if (!host_ || !::IsWindow(hwnd_)) return;
  RECT rc{};
  ::GetClientRect(hwnd_, &rc);
  // A control that cannot move stays where it was, still whole: nothing the
  // user could act on.
  host_->SetRect(rc);
}

void BrowserArea::Destroy() {
  if (host_) {
    host_->Destroy();
    host_.reset();
  }
}

// ---- the window as the handlers see it --------------------------------------

HBRUSH FormWindow::BackBrush() const { return back_brush_ ? back_brush_.get() : ::GetSysColorBrush(COLOR_BTNFACE); }

void FormWindow::SetCaption(platform::TextView caption) {
  const std::wstring wide = ToWide(caption);
  if (hwnd_ == nullptr || !::SetWindowTextW(hwnd_, wide.c_str())) throw platform::Error("Could not set the caption");
}

void FormWindow::SetBackColor(platform::Rgb color) {
  if (hwnd_ == nullptr) throw platform::Error("The window does not exist");
  back_brush_.reset(::CreateSolidBrush(ToColorRef(color)));
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

platform::Hwnd FormWindow::Handle() const { return platform::win32::FromHwnd(hwnd_); }

platform::HIcon FormWindow::IconHandle() const { return platform::win32::FromHicon(big_icon_.get()); }

bool FormWindow::IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }

void FormWindow::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

platform::WindowState FormWindow::GetWindowState() const {
  return ::IsIconic(hwnd_) ? platform::WindowState::kMinimized : platform::WindowState::kNormal;
}

void FormWindow::SetWindowState(platform::WindowState state) {
  if (state == platform::WindowState::kMinimized) {
    ::ShowWindow(hwnd_, SW_MINIMIZE);
  } else if (::IsIconic(hwnd_)) {
    ::ShowWindow(hwnd_, SW_RESTORE);
  }
}

float FormWindow::TwipsPerPixelX() const { return app::TwipsPerPixelForDpi(dpi_); }

void FormWindow::End() noexcept {
  // The window's own teardown drops every later message, timers included.
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

// ---- the controls -------------------------------------------------------------

std::optional<ControlId> WinControls::FromId(UINT_PTR id) {
  if (id < static_cast<UINT_PTR>(kFirstControlId) || id >= kFirstControlId + app::kControlCount) return std::nullopt;
  return static_cast<ControlId>(id - kFirstControlId);
}

bool WinControls::TimerArmed(ControlId id) const {
  const auto& timer = timers_[static_cast<std::size_t>(id)];
  return timer && timer->IsEnabled();
}

BrowserArea& WinControls::Browser(ControlId id) {
  if (id != ControlId::WebBrowser1 || !browser_)
    throw platform::Error(std::string(app::Spec(id).name) + " is not a browser");
  return *browser_;
}

HFONT WinControls::FontFor(app::FontKind kind) const {
  switch (kind) {
    case app::FontKind::kLabelBold: return fonts_.label_font.get();
    case app::FontKind::kBoxBold: return fonts_.box_font.get();
    default: return fonts_.default_font.get();
  }
}

RECT WinControls::PixelRect(const app::ControlSpec& spec) const {
  const int dpi = form_.dpi_;
  const int left = app::TwipsToPixels(spec.left, dpi);
  const int top = app::TwipsToPixels(spec.top, dpi);
  return RECT{left, top, left + app::TwipsToPixels(spec.width, dpi), top + app::TwipsToPixels(spec.height, dpi)};
}

void WinControls::UseDpi(int dpi) {
  form_.dpi_ = dpi;
  fonts_ = Fonts{MakeFont(dpi, app::FontKind::kDefault), MakeFont(dpi, app::FontKind::kLabelBold),
                 MakeFont(dpi, app::FontKind::kBoxBold)};
  const auto load_icon = [&](int cx, int cy) {
    return platform::win32::Icon(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, MetricAt(cx, dpi), MetricAt(cy, dpi), 0)));
  };
  form_.big_icon_ = load_icon(SM_CXICON, SM_CYICON);
  form_.small_icon_ = load_icon(SM_CXSMICON, SM_CYSMICON);
  ::SendMessageW(form_.hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form_.big_icon_.get()));
  ::SendMessageW(form_.hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form_.small_icon_.get()));
}

HWND WinControls::MakeWindow(const app::ControlSpec& spec, HWND parent, HINSTANCE instance) const {
  const ChildWindowKind made = ChildWindowFor(spec.kind);
  if (made.cls == nullptr) return nullptr;
  const RECT rc = PixelRect(spec);
  const std::wstring text = ToWide(spec.text);
  const HWND hwnd = ::CreateWindowExW(
      made.ex_style, made.cls, text.c_str(), made.style, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<int>(spec.id) + kFirstControlId)), instance,
      nullptr);
  if (hwnd == nullptr) return nullptr;
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec.font)), FALSE);
  // No length limit: the default stops typing at about 32,000 characters.
  if (spec.kind == ControlKind::kTextBox) ::SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return hwnd;
}

void WinControls::Create(HWND window, HINSTANCE instance, int dpi) {
  instance_ = instance;
  form_.hwnd_ = window;
  UseDpi(dpi);
  // Creation order is the keyboard order (and the stacking order, so the
  // buttons lie above the frame they sit in); controls outside it come last.
  std::vector<const app::ControlSpec*> order;
  for (ControlId id : app::TabOrder()) order.push_back(&app::Spec(id));
  for (const auto& spec : app::Inventory()) {
    if (spec.tab_index < 0) order.push_back(&spec);
  }
  for (const auto* spec : order) {
    const auto index = static_cast<std::size_t>(spec->id);
    const HWND hwnd = windows_[index] = MakeWindow(*spec, window, instance);
    switch (spec->kind) {
      case ControlKind::kTextBox: boxes_[index] = std::make_unique<EditBox>(hwnd, spec->id); break;
      case ControlKind::kLabel: labels_[index] = std::make_unique<StaticLabel>(hwnd, spec->id); break;
      case ControlKind::kFrame: panels_[index] = std::make_unique<FramePanel>(hwnd, spec->id); break;
      case ControlKind::kTimer: timers_[index] = std::make_unique<WinTimer>(window, spec->id); break;
      case ControlKind::kBrowser: browser_.emplace(hwnd); break;
      default: break;
    }
    // A label sizes itself to its caption from the start, not only when the
    // caption changes: the table's widths are those of the captions in the
    // fonts they were drawn with, and another font would cut them short.
    if (spec->kind == ControlKind::kLabel && hwnd != nullptr) Label(spec->id).SetCaption(spec->text);
  }
  accessible_.Describe(windows_);
  for (const auto& spec : app::Inventory()) {
    if (spec.kind == ControlKind::kTimer && spec.timer_enabled) Timer(spec.id).SetEnabled(true);
  }
}

void WinControls::LayOutAt(int dpi) {
  // The old fonts and icons stay alive until every control and the window
  // have been given their new ones.
  const Fonts old_fonts = std::exchange(fonts_, Fonts{});
  const platform::win32::Icon old_big = std::move(form_.big_icon_), old_small = std::move(form_.small_icon_);
  UseDpi(dpi);
  for (const auto& spec : app::Inventory()) {
    const HWND hwnd = Window(spec.id);
    if (hwnd == nullptr) continue;
    const RECT rc = PixelRect(spec);
    ::SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec.font)), TRUE);
    // A label is as wide as its caption in its new font.
    if (spec.kind == ControlKind::kLabel) Label(spec.id).SetCaption(WindowText(hwnd));
  }
  if (browser_) browser_->Resize();
}

void WinControls::Destroy() noexcept {
  for (auto& timer : timers_) {
    if (timer) timer->WindowGone();
  }
  if (browser_) browser_->Destroy();
  accessible_.Stop();
}

}  // namespace app::win32
