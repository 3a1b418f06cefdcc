#pragma once
// The real window: builds the controls from the inventory table, turns
// messages into handler calls and nothing more.
#include <windows.h>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/frmStat.h"
#include "app/win32/accessibility.h"
#include "app/win32/styles.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
class BrowserHost;
}

namespace app::win32 {

inline constexpr wchar_t kWindowClass[] = L"StatusCyclerMain";
// What a later start of the program sends the first copy's window.
inline constexpr wchar_t kStartedAgainMessage[] = L"StatusCycler.StartedAgain";
inline constexpr UINT kShowErrorMessage = WM_APP + 1;

class MainWindow;

// What every wrapper of a control holds: the window it lives on and its row
// of the inventory.
class ChildControl {
 public:
  ChildControl(MainWindow& owner, app::ControlId id) : owner_(owner), id_(id) {}

 protected:
  // The control's window; throws when it is gone.
  HWND hwnd() const;
  MainWindow& owner_;
  app::ControlId id_;
};

class EditBox final : public platform::TextBox, ChildControl {
 public:
  using ChildControl::ChildControl;
  platform::Text GetText() const override;
  void SetText(platform::TextView text) override;
  void AppendText(platform::TextView text) override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
};

class StaticLabel final : public platform::Label, ChildControl {
 public:
  using ChildControl::ChildControl;
  void SetCaption(platform::TextView caption) override;
};

class FramePanel final : public platform::Panel, ChildControl {
 public:
  using ChildControl::ChildControl;
  void SetBackColor(platform::Rgb color) override;
  const platform::win32::Brush& brush() const { return brush_; }

 private:
  platform::win32::Brush brush_;
};

class WinTimer final : public platform::Timer, ChildControl {
 public:
  using ChildControl::ChildControl;
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override { return enabled_; }

 private:
  bool enabled_ = false;
};

class BrowserArea final : public platform::Browser {
 public:
  explicit BrowserArea(MainWindow& owner);
  ~BrowserArea() override;
  void Navigate(platform::TextView url) override;
  bool TranslateAccelerator(MSG* msg);
  // Fits the control to the area's client rectangle again; nothing to do
  // before the first check has made it.
  void Resize();
  // Takes the control down, before its window goes. OLE stays until this
  // object goes, after the message loop.
  void Destroy();

 private:
  MainWindow& owner_;
  std::unique_ptr<platform::win32::BrowserHost> host_;
  bool ole_ = false;
};

class LocalSocket final : public platform::Socket {
 public:
  platform::Text LocalIP() override { return platform::win32::LocalIPv4(); }
};

class MainWindow final : public app::Controls, public platform::Window, public platform::Process {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its controls, runs Form_Load and shows the window
  // with txt1 focused. False if the window could not be created.
  bool Create(int show_command);
  // Pumps messages until the window is gone; returns the exit code.
  int RunMessageLoop();
  // The keyboard routing a message loop must do for this window.
  bool PreTranslateMessage(MSG* msg);

  HWND hwnd() const { return hwnd_; }
  // The window of a control of the table; null for timers and the socket.
  HWND ControlWindow(app::ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }

  // app::Controls
  MainWindow& Form() override { return *this; }
  EditBox& Box(app::ControlId id) override { return app::ControlOfKind(boxes_, id, "text box"); }
  StaticLabel& Label(app::ControlId id) override { return app::ControlOfKind(labels_, id, "label"); }
  FramePanel& Frame(app::ControlId id) override { return app::ControlOfKind(panels_, id, "frame"); }
  WinTimer& Timer(app::ControlId id) override { return app::ControlOfKind(timers_, id, "timer"); }
  BrowserArea& Browser(app::ControlId id) override {
    return app::OnlyControl(browser_, app::ControlId::WebBrowser1, id, "browser");
  }
  LocalSocket& Socket(app::ControlId id) override {
    return app::OnlyControl(socket_, app::ControlId::Winsock1, id, "socket");
  }

  // platform::Window
  void SetCaption(platform::TextView caption) override;
  void SetBackColor(platform::Rgb color) override;
  platform::Hwnd Handle() const override;
  platform::HIcon IconHandle() const override;
  bool IsVisible() const override;
  void SetVisible(bool visible) override;
  platform::WindowState GetWindowState() const override;
  void SetWindowState(platform::WindowState state) override;
  float TwipsPerPixelX() const override;

  // platform::Process
  void End() noexcept override;

  // For the controls' wrappers.
  HWND Require(app::ControlId id) const;
  HFONT FontFor(app::FontKind kind) const;
  // Hands an event to its handler, unless the program is ending.
  void Raise(const app::Event& event);

 private:
  // What is drawn at the window's DPI, made again when that changes.
  struct DpiResources {
    platform::win32::Font default_font;
    platform::win32::Font label_font;
    platform::win32::Font box_font;
    platform::win32::Icon big_icon;
    platform::win32::Icon small_icon;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  HWND CreateControl(const app::ControlSpec& spec);
  RECT PixelRect(const app::ControlSpec& spec) const;
  // Makes the fonts and icons for `dpi` and gives the window its icons; the
  // previous ones are handed back, to be let go once nothing uses them.
  DpiResources UseDpi(int dpi);
  // The window sized so that its client area is the table's at its DPI, at
  // `place` if given.
  void FitClientArea(const RECT* place);
  void KeepClientArea();
  // Moves the window onto a monitor of another DPI: every control laid out
  // again from the table, fonts, icons and labels made for the new DPI.
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnCommand(int id, int code);
  void OnTimer(UINT_PTR id);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnDestroy();
  void ShowError(const std::string& message);
  void OnShowError();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  int dpi_ = 0;  // known once the window exists
  bool keeping_client_area_ = false;
  UINT taskbar_created_ = 0;
  UINT started_again_ = 0;
  bool ending_ = false;
  HWND saved_focus_ = nullptr;
  std::array<HWND, app::kControlCount> controls_{};

  DpiResources at_dpi_;
  platform::win32::Brush back_brush_;
  platform::win32::Bitmap picture_;

  app::ControlsOfKind<EditBox> boxes_;
  app::ControlsOfKind<StaticLabel> labels_;
  app::ControlsOfKind<FramePanel> panels_;
  app::ControlsOfKind<WinTimer> timers_;
  BrowserArea browser_{*this};
  LocalSocket socket_;
  AccessibleControls accessible_;

  platform::win32::Win32Services services_{*this};
  frmStat form_{*this, services_.os};
  app::Dispatch dispatch_{form_, [this](const std::string& message) { ShowError(message); }};
  std::deque<std::wstring> pending_errors_;
};

// Asks the shell to drop the window's notification icon; harmless when there
// is none. Also called on the way down after a crash.
void DeleteTrayIcon(HWND window);

}  // namespace app::win32
