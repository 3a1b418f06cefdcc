// The floor of start-up: the program's window as it first shows, and the
// work the program must do before that first paint, made directly and
// nothing else.
//
// The window is built as the program builds it: the same manifest and
// resources, class, styles, size and caption, the controls of the table in
// the same order with the same classes, styles, sizes, texts and fonts, each
// label as wide as its caption, txt1 focused. Before it shows, it gets what
// the program gives it: its two icons (loaded from the resources and handed
// to the window), the Image2 picture and the Image1 icon drawn, the back
// colour on the window, on the frame and behind the labels, the title's
// timer armed, the taskbar's and the second start's messages registered and
// let through, and the welcome line made from the same lookups (the user, the
// computer, and the address by the program's own function). Like the program
// it first claims the session's name for one copy (the user's SID, a named
// mapping), makes its window at the default size and then sizes it for the
// DPI of its monitor, and subclasses each control as the program does to
// answer screen readers. No handlers, no error reporting, no
// rotation, no notification icon: what the program takes beyond this is its
// own.
#include <windows.h>
#include <commctrl.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/win32/dpi.h"
#include "app/win32/resource.h"
#include "app/win32/styles.h"
#include "platform/win32/local_address.h"

namespace {

namespace win32 = app::win32;

constexpr wchar_t kClass[] = L"StartupFloor";
// As long as the program's scrolling title.
constexpr std::wstring_view kTitle = L"A caption as long as the scrolling one";

struct Drawn {
  HBRUSH back = nullptr;
  HBITMAP picture = nullptr;
  HICON big_icon = nullptr;
  std::size_t title_shown = 0;
};
Drawn g_drawn;

int Px(int twips, int dpi) { return app::TwipsToPixels(twips, dpi); }

COLORREF ColorOf(platform::Rgb c) { return RGB(c.r, c.g, c.b); }

const app::ControlSpec* RowFor(int control_id) {
  const int index = control_id - win32::kFirstControlId;
  if (index < 0 || index >= static_cast<int>(app::kControlCount)) return nullptr;
  return &app::Spec(static_cast<app::ControlId>(index));
}

std::wstring FromAnsi(const char* bytes) {
  wchar_t wide[256] = {};
  ::MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide, static_cast<int>(std::size(wide)));
  return wide;
}

std::wstring WelcomeLine() {
  char user[256] = {};
  DWORD user_size = sizeof user;
  ::GetUserNameA(user, &user_size);
  char computer[256] = {};
  DWORD computer_size = sizeof computer;
  ::GetComputerNameA(computer, &computer_size);
  const platform::Text address = platform::win32::LocalIPv4();
  return L"Hello: " + FromAnsi(user) + L"!      On computer: " + FromAnsi(computer) + L"       IP is: " +
         std::wstring(address.begin(), address.end());
}

void DrawItem(const DRAWITEMSTRUCT& item) {
  const auto* row = RowFor(static_cast<int>(item.CtlID));
  if (row == nullptr) return;
  RECT rc = item.rcItem;
  switch (row->id) {
    case app::ControlId::Frame1:
      ::FillRect(item.hDC, &rc, g_drawn.back);
      ::DrawEdge(item.hDC, &rc, EDGE_ETCHED, BF_RECT);
      break;
    case app::ControlId::Image2: {
      const HDC mem = ::CreateCompatibleDC(item.hDC);
      const HGDIOBJ old = ::SelectObject(mem, g_drawn.picture);
      BITMAP bm{};
      ::GetObjectW(g_drawn.picture, sizeof bm, &bm);
      ::SetStretchBltMode(item.hDC, HALFTONE);
      ::StretchBlt(item.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, mem, 0, 0, bm.bmWidth,
                   bm.bmHeight, SRCCOPY);
      ::SelectObject(mem, old);
      ::DeleteDC(mem);
      break;
    }
    case app::ControlId::Image1:
      ::FillRect(item.hDC, &rc, g_drawn.back);
      ::DrawIconEx(item.hDC, rc.left, rc.top, g_drawn.big_icon, 0, 0, 0, nullptr, DI_NORMAL);
      break;
    case app::ControlId::WebBrowser1: ::FillRect(item.hDC, &rc, ::GetSysColorBrush(COLOR_WINDOW)); break;
    default: break;
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hwnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wparam), &rc, g_drawn.back);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      const auto* row = RowFor(::GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
      if (row == nullptr || row->kind != app::ControlKind::kLabel) break;
      const auto dc = reinterpret_cast<HDC>(wparam);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, row->text_color ? ColorOf(*row->text_color) : ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(g_drawn.back);
    }
    case WM_DRAWITEM: DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)); return TRUE;
    case WM_TIMER: {
      const std::wstring caption(kTitle.substr(0, g_drawn.title_shown));
      ::SetWindowTextW(hwnd, caption.c_str());
      g_drawn.title_shown = g_drawn.title_shown < kTitle.size() ? g_drawn.title_shown + 1 : 0;
      return 0;
    }
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: break;
  }
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

// The session's name for one copy of the program, made of the user's SID.
HANDLE ClaimOneCopy() {
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string user(size, '\0');
  ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
  ::CloseHandle(token);
  wchar_t* sid = nullptr;
  ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
  const std::wstring name = L"Local\\StartupFloor-" + std::wstring(sid != nullptr ? sid : L"");
  ::LocalFree(sid);
  return ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(UINT64), name.c_str());
}

LRESULT CALLBACK Subclassed(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  return ::DefSubclassProc(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const HANDLE one_copy = ClaimOneCopy();
  auto* const slot = static_cast<UINT64*>(::MapViewOfFile(one_copy, FILE_MAP_WRITE, 0, 0, sizeof(UINT64)));
  g_drawn.picture = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_IMAGE2), IMAGE_BITMAP, 0, 0, 0));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClass;
  ::RegisterClassExW(&wc);
  const UINT messages[] = {::RegisterWindowMessageW(L"TaskbarCreated"),
                           ::RegisterWindowMessageW(L"StartupFloor.StartedAgain")};
  // Made at the default size, then sized for its monitor's DPI.
  const std::wstring caption(app::kInitialCaption.begin(), app::kInitialCaption.end());
  const HWND window =
      ::CreateWindowExW(win32::kWindowExStyle, kClass, caption.c_str(), win32::kWindowStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  for (const UINT message : messages) ::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
  const int dpi = win32::DpiOf(window);
  const HDC screen = ::GetDC(nullptr);
  const platform::win32::Font normal = win32::MakeFont(dpi, app::FontKind::kDefault);
  const platform::win32::Font label = win32::MakeFont(dpi, app::FontKind::kLabelBold);
  const platform::win32::Font box = win32::MakeFont(dpi, app::FontKind::kBoxBold);
  auto font_for = [&](app::FontKind kind) {
    if (kind == app::FontKind::kLabelBold) return label.get();
    return kind == app::FontKind::kBoxBold ? box.get() : normal.get();
  };
  auto load_icon = [&](int cx, int cy) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, win32::MetricAt(cx, dpi),
                                           win32::MetricAt(cy, dpi), 0));
  };
  const HICON big_icon = load_icon(SM_CXICON, SM_CYICON);
  const HICON small_icon = load_icon(SM_CXSMICON, SM_CYSMICON);
  g_drawn.big_icon = big_icon;
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
  const SIZE size = win32::WindowSizeFor(SIZE{Px(app::kClientWidthTwips, dpi), Px(app::kClientHeightTwips, dpi)},
                                         win32::kWindowStyle, win32::kWindowExStyle, dpi);
  ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // The program's creation order: the keyboard order, then the rest.
  std::vector<const app::ControlSpec*> order;
  for (app::ControlId id : app::TabOrder()) order.push_back(&app::Spec(id));
  for (const auto& row : app::Inventory()) {
    if (row.tab_index < 0) order.push_back(&row);
  }
  // A label is as wide as its caption, on one line.
  auto caption_width = [&](const std::wstring& text, HFONT font) {
    const HGDIOBJ old = ::SelectObject(screen, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(screen, old);
    return extent.cx;
  };
  for (const auto* row : order) {
    const auto made = win32::ChildWindowFor(row->kind);
    if (made.cls == nullptr) continue;
    const std::wstring text(row->text.begin(), row->text.end());
    const HFONT font = font_for(row->font);
    const int width = row->kind == app::ControlKind::kLabel ? caption_width(text, font) : Px(row->width, dpi);
    const int id = static_cast<int>(row->id) + win32::kFirstControlId;
    const HWND control = ::CreateWindowExW(made.ex_style, made.cls, text.c_str(), made.style, Px(row->left, dpi),
                                           Px(row->top, dpi), width, Px(row->height, dpi), window,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (row->kind == app::ControlKind::kTextBox) ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
    ::SetWindowSubclass(control, &Subclassed, static_cast<UINT_PTR>(id), 0);
  }
  if (slot != nullptr) *slot = reinterpret_cast<UINT_PTR>(window);
  const auto& title_timer = app::Spec(app::ControlId::Timer6);
  ::SetTimer(window, static_cast<UINT_PTR>(title_timer.id), static_cast<UINT>(title_timer.timer_interval_ms), nullptr);

  // Then, as the program does once its window is built, the colours and the
  // welcome line.
  g_drawn.back = ::CreateSolidBrush(ColorOf(app::kFormBackColor));
  const std::wstring welcome = WelcomeLine();
  const auto& label1 = app::Spec(app::ControlId::Label1);
  const HWND welcome_label = ::GetDlgItem(window, win32::kFirstControlId + static_cast<int>(label1.id));
  ::SetWindowTextW(welcome_label, welcome.c_str());
  ::SetWindowPos(welcome_label, nullptr, 0, 0, caption_width(welcome, font_for(label1.font)), Px(label1.height, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ReleaseDC(nullptr, screen);
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  ::SetFocus(::GetDlgItem(window, win32::kFirstControlId + static_cast<int>(app::ControlId::txt1)));

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(window, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
