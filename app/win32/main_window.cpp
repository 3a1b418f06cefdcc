#include "app/win32/main_window.h"

#include <windowsx.h>

#include <optional>
#include <utility>

#include "app/tray_icon.h"
#include "app/win32/dpi.h"
#include "app/win32/resource.h"
#include "platform/win32/wide_text.h"

namespace app::win32 {
namespace {

using app::ControlId;
using app::ControlKind;
using platform::win32::ToWide;

// The last message carrying a pointer that a message loop of this thread took
// from the queue, until the window has seen it.
struct Retrieved {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
thread_local std::optional<Retrieved> t_posted;

bool CarriesPointer(UINT msg) { return msg == WM_DPICHANGED || msg == WM_GETDPISCALEDSIZE || msg == WM_DRAWITEM; }

// The client area's size in pixels at that DPI.
SIZE ClientSizeAt(int dpi) {
  return SIZE{app::TwipsToPixels(app::kClientWidthTwips, dpi), app::TwipsToPixels(app::kClientHeightTwips, dpi)};
}

}  // namespace

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
  retrieval_hook_.reset(
      ::SetWindowsHookExW(WH_GETMESSAGE, &MainWindow::NoteRetrieved, nullptr, ::GetCurrentThreadId()));
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
  controls_.Create(hwnd_, instance_, DpiOf(hwnd_));
  FitClientArea(nullptr);

  // The load handler runs before the message loop does, so the first tick of
  // the title scroller always comes after it.
  Raise({app::EventKind::kLoad});
  if (ending_) return true;
  ::ShowWindow(hwnd_, show_command);
  ::UpdateWindow(hwnd_);
  ::SetFocus(ControlWindow(ControlId::txt1));
  return true;
}

// ---- the DPI hooks -------------------------------------------------------------

void MainWindow::FitClientArea(const RECT* place) {
  const int dpi = controls_.dpi();
  const SIZE client = ClientSizeAt(dpi);
  const SIZE size = place != nullptr ? SIZE{place->right - place->left, place->bottom - place->top}
                                     : WindowSizeFor(client, kWindowStyle, kWindowExStyle, dpi);
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
  if (controls_.dpi() == 0 || keeping_client_area_ || ::IsIconic(hwnd_)) return;
  const SIZE client = ClientSizeAt(controls_.dpi());
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
  controls_.LayOutAt(dpi);
  FitClientArea(&suggested);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- errors ------------------------------------------------------------------

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

// ---- messages ----------------------------------------------------------------

bool MainWindow::PreTranslateMessage(MSG* msg) {
  if (hwnd_ == nullptr) return false;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && controls_.TranslateAccelerator(msg)) return true;
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

LRESULT CALLBACK MainWindow::NoteRetrieved(int code, WPARAM removed, LPARAM msg) {
  const auto* taken = reinterpret_cast<const MSG*>(msg);
  if (code == HC_ACTION && removed == PM_REMOVE && CarriesPointer(taken->message)) {
    t_posted = Retrieved{taken->hwnd, taken->message, taken->wParam, taken->lParam};
  }
  return ::CallNextHookEx(nullptr, code, removed, msg);
}

bool MainWindow::FromTheSystem(UINT msg, WPARAM wparam, LPARAM lparam) const {
  if (::InSendMessageEx(nullptr) != ISMEX_NOSEND) return false;
  // Neither sent from another thread nor sent at all: dispatched from the
  // queue, if the hook saw it taken from there.
  if (t_posted && t_posted->hwnd == hwnd_ && t_posted->message == msg && t_posted->wparam == wparam &&
      t_posted->lparam == lparam) {
    t_posted.reset();
    return false;
  }
  return true;
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wparam, LPARAM lparam) {
  // What carries a pointer is taken only as the system sends it; anything
  // else goes on to the default handling, its pointer unread.
  if (CarriesPointer(msg) && !FromTheSystem(msg, wparam, lparam)) return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
  switch (msg) {
    case WM_COMMAND: OnCommand(LOWORD(wparam), HIWORD(wparam)); return 0;
    case WM_TIMER: OnTimer(wparam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(wparam, lparam); return 0;
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hwnd_, &rc);
      ::FillRect(reinterpret_cast<HDC>(wparam), &rc, controls_.Form().BackBrush());
      return 1;
    }
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)); return TRUE;
    case WM_ACTIVATE:
      if (OnActivate(wparam)) return 0;
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
    case WM_DPICHANGED:
      // The system has given the window its new DPI by the time it says so; a
      // change to any other DPI is not one.
      if (LOWORD(wparam) != HIWORD(wparam) || LOWORD(wparam) != DpiOf(hwnd_)) break;
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case kShowErrorMessage: OnShowError(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: {
      const HWND gone = hwnd_;
      ::SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      controls_.Form().Attach(nullptr);
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
  const auto control = WinControls::FromId(static_cast<UINT_PTR>(id));
  if (!control) return;
  // Which control has a handler for which event is the route table's to say.
  if (code == BN_CLICKED) Raise({app::EventKind::kClick, *control});
  if (code == EN_CHANGE) Raise({app::EventKind::kChange, *control});
}

void MainWindow::OnTimer(UINT_PTR id) {
  // A tick already queued for a timer that was disarmed since is dropped.
  const auto control = WinControls::FromId(id);
  if (control && controls_.TimerArmed(*control)) Raise({app::EventKind::kTimer, *control});
}

void MainWindow::OnMouseMove(WPARAM wparam, LPARAM lparam) {
  // The notification icon's callback arrives here too (its message number is
  // WM_MOUSEMOVE), with the mouse message it reports as the x position.
  const float factor = controls_.Form().TwipsPerPixelX();
  const float x = static_cast<float>(GET_X_LPARAM(lparam)) * factor;
  const float y = static_cast<float>(GET_Y_LPARAM(lparam)) * factor;
  const auto button = static_cast<std::int16_t>(((wparam & MK_LBUTTON) ? 1 : 0) | ((wparam & MK_RBUTTON) ? 2 : 0) |
                                                ((wparam & MK_MBUTTON) ? 4 : 0));
  const auto shift = static_cast<std::int16_t>(((wparam & MK_SHIFT) ? 1 : 0) | ((wparam & MK_CONTROL) ? 2 : 0));
  Raise({.kind = app::EventKind::kMouseMove, .mouse = {button, shift, x, y}});
}

bool MainWindow::OnActivate(WPARAM wparam) {
  // A plain window does not remember its focused control as a dialog does.
  if (LOWORD(wparam) == WA_INACTIVE) {
    const HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(hwnd_, focus)) saved_focus_ = focus;
    return false;
  }
  if (saved_focus_ == nullptr || !::IsWindow(saved_focus_)) return false;
  ::SetFocus(saved_focus_);
  return true;
}

// ---- painting ----------------------------------------------------------------

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control_hwnd) {
  const auto control = WinControls::FromId(static_cast<UINT_PTR>(::GetDlgCtrlID(control_hwnd)));
  if (control && app::Spec(*control).kind == ControlKind::kLabel) {
    const auto& color = app::Spec(*control).text_color;
    // Labels are transparent: the window's colour shows through.
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, color ? RGB(color->r, color->g, color->b) : ::GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(controls_.Form().BackBrush());
  }
  return ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control_hwnd));
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const auto control = WinControls::FromId(item.CtlID);
  if (!control) return;
  RECT rc = item.rcItem;
  const HBRUSH back = controls_.Form().BackBrush();
  switch (*control) {
    case ControlId::Frame1: {
      const auto& brush = controls_.Frame(ControlId::Frame1).brush();
      ::FillRect(item.hDC, &rc, brush ? brush.get() : ::GetSysColorBrush(COLOR_BTNFACE));
      ::DrawEdge(item.hDC, &rc, EDGE_ETCHED, BF_RECT);
      break;
    }
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
      ::FillRect(item.hDC, &rc, back);
      ::DrawIconEx(item.hDC, rc.left, rc.top, controls_.Form().Icon(), 0, 0, 0, nullptr, DI_NORMAL);
      break;
    case ControlId::WebBrowser1: ::FillRect(item.hDC, &rc, ::GetSysColorBrush(COLOR_WINDOW)); break;
    default: break;
  }
}

void MainWindow::OnDestroy() {
  ending_ = true;
  controls_.Destroy();
  // Whatever way the window goes, its notification icon goes with it.
  app::TrayIcon::Remove(services_.shell, controls_.Form().Handle());
  ::PostQuitMessage(0);
}

}  // namespace app::win32
