#include "app/win32/main_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/tray.h"
#include "app/win32/dpi.h"
#include "app/win32/resource.h"
#include "platform/error.h"
#include "platform/win32/browser_host.h"

namespace app::win32 {
namespace {

using app::ControlId;
using app::ControlKind;
using platform::win32::FromWide;
using platform::win32::ToWide;

COLORREF ToColorRef(platform::Rgb c) { return RGB(c.r, c.g, c.b); }

int ControlIndex(ControlId id) { return static_cast<int>(id); }

// The control a child-window or timer id stands for; nothing for an id that
// is not one of ours.
std::optional<ControlId> ControlFromId(int id) {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(app::kControlCount)) return std::nullopt;
  return static_cast<ControlId>(index);
}

// The client area's size in pixels at that DPI.
SIZE ClientSizeAt(int dpi) {
  return SIZE{app::TwipsToPixels(app::kClientWidthTwips, dpi), app::TwipsToPixels(app::kClientHeightTwips, dpi)};
}

// The colour given at load, or the system's until then.
HBRUSH BackBrush(const platform::win32::Brush& brush) {
  return brush ? brush.get() : ::GetSysColorBrush(COLOR_BTNFACE);
}

platform::Text WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return FromWide(text);
}

}  // namespace

// ---- controls -------------------------------------------------------------

HWND ChildControl::hwnd() const { return owner_.Require(id_); }

platform::Text EditBox::GetText() const { return WindowText(hwnd()); }

void EditBox::SetText(platform::TextView text) {
  // The edit control raises EN_CHANGE from inside this call, so the change
  // handler has run by the time it returns.
  const std::wstring wide = ToWide(text);
  if (!::SetWindowTextW(hwnd(), wide.c_str())) throw platform::Error("Could not set the text of a box");
}

void EditBox::AppendText(platform::TextView text) {
  const HWND box = hwnd();
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

void EditBox::SetEnabled(bool enabled) { ::EnableWindow(hwnd(), enabled ? TRUE : FALSE); }

void EditBox::SetFocus() {
  const HWND box = hwnd();
  if (!::IsWindowVisible(owner_.hwnd()) || !::IsWindowEnabled(box)) {
    throw platform::Error("Invalid procedure call: the box cannot take the focus");
  }
  ::SetFocus(box);
}

void StaticLabel::SetCaption(platform::TextView caption) {
  const HWND label = hwnd();
  const std::wstring wide = ToWide(caption);
  // The label sizes itself to its caption, on one line.
  SIZE extent{};
  {
    const auto dc = platform::win32::GetWindowDc(label);
    const platform::win32::Selection font(dc.get(), owner_.FontFor(app::Spec(id_).font));
    ::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
  }
  RECT rc{};
  ::GetWindowRect(label, &rc);
  ::MapWindowPoints(HWND_DESKTOP, owner_.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
  ::SetWindowTextW(label, wide.c_str());
  ::SetWindowPos(label, nullptr, 0, 0, extent.cx, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(owner_.hwnd(), &rc, TRUE);
}

void FramePanel::SetBackColor(platform::Rgb color) {
  const HWND frame = hwnd();
  brush_.reset(::CreateSolidBrush(ToColorRef(color)));
  ::InvalidateRect(frame, nullptr, TRUE);
}

void WinTimer::SetEnabled(bool enabled) {
  // Arming an armed timer must leave its interval running; SetTimer would
  // restart it, so only a change of state reaches the system.
  if (enabled == enabled_) return;
  const UINT_PTR timer_id = static_cast<UINT_PTR>(ControlIndex(id_)) + kFirstControlId;
  const HWND window = owner_.hwnd();
  if (enabled) {
    // With no window, SetTimer would make a timer of the thread's instead,
    // ticking into nothing for the rest of the process.
    if (window == nullptr) throw platform::Error("The window is gone");
    if (::SetTimer(window, timer_id, static_cast<UINT>(app::Spec(id_).timer_interval_ms), nullptr) == 0) {
      throw platform::Error("Out of timers");
    }
  } else if (window != nullptr) {
    ::KillTimer(window, timer_id);
  }
  enabled_ = enabled;
}

BrowserArea::BrowserArea(MainWindow& owner) : owner_(owner) {}
BrowserArea::~BrowserArea() {
  Destroy();
  // Only here, once the message loop is over: the control's hidden windows,
  // timers and threads may still run into its code until then, and this is
  // where COM unloads it.
  if (ole_) ::OleUninitialize();
}

void BrowserArea::Navigate(platform::TextView url) {
  // The control is created on the first check: until then its rectangle
  // shows blank, as the control would, and start-up stays cheap.
  if (!host_) {
    // OLE serves the browser control alone, so it starts with the first check
    // rather than with the program. S_FALSE (already started on this thread)
    // is a success and is balanced like S_OK.
    if (!ole_) {
      if (FAILED(::OleInitialize(nullptr))) throw platform::Error("The web browser control could not be created");
      ole_ = true;
    }
    const HWND area = owner_.Require(ControlId::WebBrowser1);
    RECT rc{};
    ::GetClientRect(area, &rc);
    auto host = std::make_unique<platform::win32::BrowserHost>();
    const HRESULT hr = host->Create(area, rc);
    if (FAILED(hr)) throw platform::Error("The web browser control could not be created");
    host_ = std::move(host);
  }
  const std::wstring wide = ToWide(url);
  const HRESULT hr = host_->Navigate(wide.c_str());
  if (FAILED(hr)) throw platform::Error("Navigation failed");
}

bool BrowserArea::TranslateAccelerator(MSG* msg) { return host_ && host_->TranslateAccelerator(msg); }

void BrowserArea::Resize() {
  const HWND area = owner_.ControlWindow(ControlId::WebBrowser1);
  if (!host_ || area == nullptr) return;
  RECT rc{};
  ::GetClientRect(area, &rc);
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

// ---- the window -----------------------------------------------------------

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) {
    ending_ = true;
    ::DestroyWindow(hwnd_);
  }
}

bool MainWindow::Create(int show_command) {
  picture_.reset(static_cast<HBITMAP>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_IMAGE2), IMAGE_BITMAP, 0, 0, 0)));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!::GetClassInfoExW(instance_, kWindowClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // No icons in the class: the ones loaded here go with this window, and a
    // class that outlives it must not hand out destroyed handles.
    wc.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&wc) == 0) return false;
  }
  taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  started_again_ = ::RegisterWindowMessageW(kStartedAgainMessage);

  // Made hidden, then laid out for the DPI of the monitor the system put it
  // on, which is known only once the window exists.
  const std::wstring caption = ToWide(app::kInitialCaption);
  hwnd_ = ::CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  if (hwnd_ == nullptr) return false;
  // Run elevated, the window would not hear a new shell announce itself, nor
  // a later start of the program ask for it: Windows filters such messages
  // out for a window of higher integrity.
  for (const UINT message : {taskbar_created_, started_again_}) {
    if (message != 0) ::ChangeWindowMessageFilterEx(hwnd_, message, MSGFLT_ALLOW, nullptr);
  }
  UseDpi(DpiOf(hwnd_));
  FitClientArea(nullptr);
  CreateControls();

  // The load handler runs before the message loop does, so the first tick of
  // the title scroller always comes after it.
  Raise({app::EventKind::kLoad});
  if (ending_) return true;
  ::ShowWindow(hwnd_, show_command);
  ::UpdateWindow(hwnd_);
  ::SetFocus(ControlWindow(ControlId::txt1));
  return true;
}

MainWindow::DpiResources MainWindow::UseDpi(int dpi) {
  dpi_ = dpi;
  auto load_icon = [&](int cx, int cy) {
    return platform::win32::Icon(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, MetricAt(cx, dpi), MetricAt(cy, dpi), 0)));
  };
  DpiResources made{MakeFont(dpi, app::FontKind::kDefault), MakeFont(dpi, app::FontKind::kLabelBold),
                    MakeFont(dpi, app::FontKind::kBoxBold), load_icon(SM_CXICON, SM_CYICON),
                    load_icon(SM_CXSMICON, SM_CYSMICON)};
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(made.big_icon.get()));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(made.small_icon.get()));
  return std::exchange(at_dpi_, std::move(made));
}

void MainWindow::FitClientArea(const RECT* place) {
  const SIZE client = ClientSizeAt(dpi_);
  const SIZE size = place != nullptr ? SIZE{place->right - place->left, place->bottom - place->top}
                                     : WindowSizeFor(client, kWindowStyle, kWindowExStyle, dpi_);
  if (::IsIconic(hwnd_)) {
    // Minimised (or hidden in the notification area), the size is the one it
    // comes back at; KeepClientArea makes it exact then.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(hwnd_, &placement);
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + size.cx;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + size.cy;
    placement.showCmd = ::IsWindowVisible(hwnd_) ? SW_SHOWMINNOACTIVE : SW_HIDE;
    ::SetWindowPlacement(hwnd_, &placement);
    return;
  }
  ::SetWindowPos(hwnd_, nullptr, place != nullptr ? place->left : 0, place != nullptr ? place->top : 0, size.cx,
                 size.cy, (place != nullptr ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
  KeepClientArea();
}

void MainWindow::KeepClientArea() {
  // The frame a window is drawn with need not be the one its size was worked
  // out for (a suggested rectangle is only scaled, and the size of a
  // minimised window is a guess): the client area is made exact whenever the
  // window is at its normal size.
  if (dpi_ == 0 || keeping_client_area_ || ::IsIconic(hwnd_)) return;
  const SIZE client = ClientSizeAt(dpi_);
  RECT got{};
  ::GetClientRect(hwnd_, &got);
  if (got.right == client.cx && got.bottom == client.cy) return;
  RECT outer{};
  ::GetWindowRect(hwnd_, &outer);
  keeping_client_area_ = true;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + client.cx - got.right,
                 outer.bottom - outer.top + client.cy - got.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  keeping_client_area_ = false;
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  // The old fonts stay alive until every control has been given its new one.
  const DpiResources old = UseDpi(dpi);
  FitClientArea(&suggested);
  for (const auto& spec : app::Inventory()) {
    const HWND hwnd = ControlWindow(spec.id);
    if (hwnd == nullptr) continue;
    const RECT rc = PixelRect(spec);
    ::SetWindowPos(hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec.font)), TRUE);
    // A label is as wide as its caption in its new font.
    if (spec.kind == ControlKind::kLabel) Label(spec.id).SetCaption(WindowText(hwnd));
  }
  browser_.Resize();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT MainWindow::PixelRect(const app::ControlSpec& spec) const {
  const int left = app::TwipsToPixels(spec.left, dpi_);
  const int top = app::TwipsToPixels(spec.top, dpi_);
  return RECT{left, top, left + app::TwipsToPixels(spec.width, dpi_), top + app::TwipsToPixels(spec.height, dpi_)};
}

HFONT MainWindow::FontFor(app::FontKind kind) const {
  switch (kind) {
    case app::FontKind::kLabelBold: return at_dpi_.label_font.get();
    case app::FontKind::kBoxBold: return at_dpi_.box_font.get();
    default: return at_dpi_.default_font.get();
  }
}

HWND MainWindow::CreateControl(const app::ControlSpec& spec) {
  const ChildWindowKind made = ChildWindowFor(spec.kind);
  if (made.cls == nullptr) return nullptr;
  const RECT rc = PixelRect(spec);
  const std::wstring text = ToWide(spec.text);
  const HWND hwnd = ::CreateWindowExW(
      made.ex_style, made.cls, text.c_str(), made.style, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIndex(spec.id) + kFirstControlId)), instance_, nullptr);
  if (hwnd == nullptr) return nullptr;
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec.font)), FALSE);
  if (spec.kind == ControlKind::kTextBox) {
    // No length limit: the default stops typing at about 32,000 characters.
    ::SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  }
  return hwnd;
}

void MainWindow::CreateControls() {
  // Creation order is the keyboard order (and the stacking order, so the
  // buttons lie above the frame they sit in); controls outside it come last.
  std::vector<const app::ControlSpec*> order;
  for (ControlId id : app::TabOrder()) order.push_back(&app::Spec(id));
  for (const auto& spec : app::Inventory()) {
    if (spec.tab_index < 0) order.push_back(&spec);
  }
  for (const auto* spec : order) {
    const auto index = static_cast<std::size_t>(spec->id);
    switch (spec->kind) {
      case ControlKind::kTextBox: boxes_[index] = std::make_unique<EditBox>(*this, spec->id); break;
      case ControlKind::kLabel: labels_[index] = std::make_unique<StaticLabel>(*this, spec->id); break;
      case ControlKind::kFrame: panels_[index] = std::make_unique<FramePanel>(*this, spec->id); break;
      case ControlKind::kTimer: timers_[index] = std::make_unique<WinTimer>(*this, spec->id); break;
      default: break;
    }
    controls_[index] = CreateControl(*spec);
    // A label sizes itself to its caption from the start, not only when the
    // caption changes: the table's widths are those of the captions in the
    // fonts they were drawn with, and another font would cut them short.
    if (spec->kind == ControlKind::kLabel && controls_[index] != nullptr) Label(spec->id).SetCaption(spec->text);
  }
  for (const auto& spec : app::Inventory()) {
    if (spec.kind == ControlKind::kTimer && spec.timer_enabled) Timer(spec.id).SetEnabled(true);
  }
  for (const auto& spec : app::Inventory()) {
    if (const HWND control = ControlWindow(spec.id)) accessible_.Describe(control, spec.id);
  }
}

HWND MainWindow::Require(ControlId id) const {
  const HWND hwnd = ControlWindow(id);
  if (hwnd == nullptr || !::IsWindow(hwnd)) {
    throw platform::Error("Object required: " + std::string(app::Spec(id).name));
  }
  return hwnd;
}

void MainWindow::SetCaption(platform::TextView caption) {
  const std::wstring wide = ToWide(caption);
  if (hwnd_ == nullptr || !::SetWindowTextW(hwnd_, wide.c_str())) throw platform::Error("Could not set the caption");
}

void MainWindow::SetBackColor(platform::Rgb color) {
  if (hwnd_ == nullptr) throw platform::Error("The window does not exist");
  back_brush_.reset(::CreateSolidBrush(ToColorRef(color)));
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

platform::Hwnd MainWindow::Handle() const { return platform::win32::FromHwnd(hwnd_); }

platform::HIcon MainWindow::IconHandle() const { return platform::win32::FromHicon(at_dpi_.big_icon.get()); }

bool MainWindow::IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }

void MainWindow::SetVisible(bool visible) { ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

platform::WindowState MainWindow::GetWindowState() const {
  return ::IsIconic(hwnd_) ? platform::WindowState::kMinimized : platform::WindowState::kNormal;
}

void MainWindow::SetWindowState(platform::WindowState state) {
  if (state == platform::WindowState::kMinimized) {
    ::ShowWindow(hwnd_, SW_MINIMIZE);
  } else if (::IsIconic(hwnd_)) {
    ::ShowWindow(hwnd_, SW_RESTORE);
  }
}

float MainWindow::TwipsPerPixelX() const { return app::TwipsPerPixelForDpi(dpi_); }

void MainWindow::End() noexcept {
  // No handler may run once Exit has been clicked: every later message is
  // dropped, and the window goes with its timers.
  ending_ = true;
  ::DestroyWindow(hwnd_);
}

void MainWindow::Raise(const app::Event& event) {
  if (!ending_) dispatch_.Raise(event);
}

void MainWindow::ShowError(const std::string& message) {
  // Shown from the message loop rather than from inside the failing handler,
  // which may be nested in another one. The text stays here: the posted
  // message only wakes the loop, because any program on the desktop can post
  // that number to us and nothing that arrives with it may be trusted.
  pending_errors_.push_back(platform::win32::WidenMessage(message));
  if (hwnd_ == nullptr || !::PostMessageW(hwnd_, kShowErrorMessage, 0, 0)) pending_errors_.pop_back();
}

void MainWindow::OnShowError() {
  // A wake-up we did not post, or one whose text went with an earlier one,
  // finds nothing to show.
  if (pending_errors_.empty()) return;
  const std::wstring text = std::move(pending_errors_.front());
  pending_errors_.pop_front();
  if (!ending_) ::MessageBoxW(hwnd_, text.c_str(), L"Status Cycler", MB_OK | MB_ICONWARNING);
}

bool MainWindow::PreTranslateMessage(MSG* msg) {
  if (hwnd_ == nullptr) return false;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && browser_.TranslateAccelerator(msg)) return true;
  return ::IsDialogMessageW(hwnd_, msg) != FALSE;
}

int MainWindow::RunMessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // The window's own creation binds it to its object, once. A later
  // WM_NCCREATE comes from someone else, whatever it carries, and binds nothing.
  if (self == nullptr && msg == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  return self->Handle(msg, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND: OnCommand(LOWORD(wparam), HIWORD(wparam)); return 0;
    case WM_TIMER: OnTimer(wparam); return 0;
    case WM_MOUSEMOVE: {
      // The notification icon's callback arrives here too (its message number
      // is WM_MOUSEMOVE), with the mouse message it reports as the x position.
      const float factor = TwipsPerPixelX();
      const float x = static_cast<float>(GET_X_LPARAM(lparam)) * factor;
      const float y = static_cast<float>(GET_Y_LPARAM(lparam)) * factor;
      const auto button = static_cast<std::int16_t>(((wparam & MK_LBUTTON) ? 1 : 0) | ((wparam & MK_RBUTTON) ? 2 : 0) |
                                                    ((wparam & MK_MBUTTON) ? 4 : 0));
      const auto shift = static_cast<std::int16_t>(((wparam & MK_SHIFT) ? 1 : 0) | ((wparam & MK_CONTROL) ? 2 : 0));
      Raise({.kind = app::EventKind::kMouseMove, .mouse = {button, shift, x, y}});
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hwnd_, &rc);
      ::FillRect(reinterpret_cast<HDC>(wparam), &rc, BackBrush(back_brush_));
      return 1;
    }
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)); return TRUE;
    case WM_ACTIVATE:
      // A plain window does not remember its focused control as a dialog does.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd_, focus)) saved_focus_ = focus;
      } else if (saved_focus_ != nullptr && ::IsWindow(saved_focus_)) {
        ::SetFocus(saved_focus_);
        return 0;
      }
      break;
    case WM_CLOSE: Raise({app::EventKind::kUnload}); return 0;
    case WM_SIZE:
      if (wparam == SIZE_RESTORED) KeepClientArea();
      break;
    case WM_GETDPISCALEDSIZE: {
      // The size to keep the client area the table's at the coming DPI, so
      // that the rectangle WM_DPICHANGED suggests is already the right one.
      const int dpi = static_cast<int>(wparam);
      *reinterpret_cast<SIZE*>(lparam) = WindowSizeFor(ClientSizeAt(dpi), kWindowStyle, kWindowExStyle, dpi);
      return TRUE;
    }
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam)); return 0;
    case kShowErrorMessage: OnShowError(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: {
      const HWND gone = hwnd_;
      ::SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      // The window's own data (its caption among it) is freed there.
      return ::DefWindowProcW(gone, msg, wparam, lparam);
    }
    default:
      if (msg == taskbar_created_ && taskbar_created_ != 0) {
        Raise({app::EventKind::kShellRestarted});
        return 0;
      }
      if (msg == started_again_ && started_again_ != 0) {
        Raise({app::EventKind::kStartedAgain});
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code) {
  if (id == IDOK) {
    // The dialog manager turns Enter into a click only for a button styled as
    // the default one, and in a plain window nothing moves that style onto a
    // button focused by the mouse or by its Alt+ key: Enter then comes as
    // IDOK. Enter clicks the focused button, and no other.
    const HWND focus = ::GetFocus();
    if (focus == nullptr || ::GetParent(focus) != hwnd_) return;
    id = ::GetDlgCtrlID(focus);
    code = BN_CLICKED;
  }
  const auto control_id = ControlFromId(id);
  if (!control_id) return;
  const auto kind = app::Spec(*control_id).kind;
  if (kind == ControlKind::kButton && code == BN_CLICKED) Raise({app::EventKind::kClick, *control_id});
  if (kind == ControlKind::kTextBox && code == EN_CHANGE) Raise({app::EventKind::kChange, *control_id});
}

void MainWindow::OnTimer(UINT_PTR id) {
  const auto control_id = ControlFromId(static_cast<int>(id));
  if (!control_id) return;
  // A tick already queued for a timer that was disarmed since is dropped.
  const auto& timer = timers_[static_cast<std::size_t>(*control_id)];
  if (timer && timer->IsEnabled()) Raise({app::EventKind::kTimer, *control_id});
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control_hwnd) {
  const auto control_id = ControlFromId(::GetDlgCtrlID(control_hwnd));
  if (control_id && app::Spec(*control_id).kind == ControlKind::kLabel) {
    const auto& spec = app::Spec(*control_id);
    // Labels are transparent: the window's colour shows through.
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, spec.text_color ? ToColorRef(*spec.text_color) : ::GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(BackBrush(back_brush_));
  }
  return ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control_hwnd));
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const auto control_id = ControlFromId(static_cast<int>(item.CtlID));
  if (!control_id) return;
  RECT rc = item.rcItem;
  switch (*control_id) {
    case ControlId::Frame1:
      ::FillRect(item.hDC, &rc, BackBrush(panels_[static_cast<std::size_t>(*control_id)]->brush()));
      ::DrawEdge(item.hDC, &rc, EDGE_ETCHED, BF_RECT);
      break;
    case ControlId::Image2:
      if (picture_) {
        // The picture is scaled to the control's size.
        const platform::win32::MemoryDc mem(::CreateCompatibleDC(item.hDC));
        const platform::win32::Selection picture(mem.get(), picture_.get());
        BITMAP bm{};
        ::GetObjectW(picture_.get(), sizeof bm, &bm);
        ::SetStretchBltMode(item.hDC, HALFTONE);
        ::StretchBlt(item.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem.get(), 0, 0, bm.bmWidth,
                     bm.bmHeight, SRCCOPY);
      }
      break;
    case ControlId::Image1:
      ::FillRect(item.hDC, &rc, BackBrush(back_brush_));
      ::DrawIconEx(item.hDC, rc.left, rc.top, at_dpi_.big_icon.get(), 0, 0, 0, nullptr, DI_NORMAL);
      break;
    case ControlId::WebBrowser1: ::FillRect(item.hDC, &rc, ::GetSysColorBrush(COLOR_WINDOW)); break;
    default: break;
  }
}

void MainWindow::OnDestroy() {
  ending_ = true;
  for (auto& timer : timers_) {
    if (timer) timer->SetEnabled(false);
  }
  browser_.Destroy();
  accessible_.Stop();
  // Whatever way the window goes, its notification icon goes with it.
  DeleteTrayIcon(hwnd_);
  ::PostQuitMessage(0);
}

void DeleteTrayIcon(HWND window) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
  nid.hWnd = window;
  nid.uID = app::kTrayIconId;
  ::Shell_NotifyIconW(NIM_DELETE, &nid);
}

}  // namespace app::win32
