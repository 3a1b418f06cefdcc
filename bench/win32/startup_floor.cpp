// The floor of start-up: the program's window as it first shows, built as the
// program builds it (the same manifest and resources, class, styles, size,
// caption, the controls of the table in the same order with the same classes,
// styles, sizes, texts and fonts, the welcome line in Label1, txt1 focused)
// and nothing else: no handlers, no registry, no identity or address
// lookups, no OLE, no icons, pictures or colours. What the program takes
// beyond this is its own.
#include <windows.h>

#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/win32/styles.h"

namespace {

constexpr wchar_t kClass[] = L"StartupFloor";
// As long as a typical welcome line; the watcher waits for its "Hello: ".
constexpr wchar_t kWelcome[] = L"Hello: user!      On computer: WORKSTATION       IP is: 192.168.100.100";

int Px(int twips, int dpi) { return app::TwipsToPixels(twips, dpi); }

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  const platform::win32::Font normal = app::win32::MakeFont(dpi, app::FontKind::kDefault);
  const platform::win32::Font label = app::win32::MakeFont(dpi, app::FontKind::kLabelBold);
  const platform::win32::Font box = app::win32::MakeFont(dpi, app::FontKind::kBoxBold);
  auto font_for = [&](app::FontKind kind) {
    if (kind == app::FontKind::kLabelBold) return label.get();
    return kind == app::FontKind::kBoxBold ? box.get() : normal.get();
  };

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClass;
  ::RegisterClassExW(&wc);
  RECT frame{0, 0, Px(app::kClientWidthTwips, dpi), Px(app::kClientHeightTwips, dpi)};
  ::AdjustWindowRectEx(&frame, app::win32::kWindowStyle, FALSE, app::win32::kWindowExStyle);
  const std::wstring caption(app::kInitialCaption.begin(), app::kInitialCaption.end());
  const HWND window = ::CreateWindowExW(app::win32::kWindowExStyle, kClass, caption.c_str(), app::win32::kWindowStyle,
                                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);

  // The program's creation order: the keyboard order, then the rest.
  std::vector<const app::ControlSpec*> order;
  for (app::ControlId id : app::TabOrder()) order.push_back(&app::Spec(id));
  for (const auto& row : app::Inventory()) {
    if (row.tab_index < 0) order.push_back(&row);
  }
  for (const auto* row : order) {
    const auto made = app::win32::ChildWindowFor(row->kind);
    if (made.cls == nullptr) continue;
    const std::wstring text(row->text.begin(), row->text.end());
    const int id = static_cast<int>(row->id) + app::win32::kFirstControlId;
    const HWND control = ::CreateWindowExW(made.ex_style, made.cls, text.c_str(), made.style, Px(row->left, dpi),
                                           Px(row->top, dpi), Px(row->width, dpi), Px(row->height, dpi), window,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(row->font)), FALSE);
    if (row->kind == app::ControlKind::kTextBox) ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  }
  const int first = app::win32::kFirstControlId;
  ::SetWindowTextW(::GetDlgItem(window, first + static_cast<int>(app::ControlId::Label1)), kWelcome);
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  ::SetFocus(::GetDlgItem(window, first + static_cast<int>(app::ControlId::txt1)));

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(window, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
