#pragma once
// The real controls of the window, the twin of the simulated ones in app/sim/:
// the control windows made from the inventory table, what they are drawn with
// at the window's DPI, and a wrapper for each that knows its own window and
// nothing of the window object around it.
#include <windows.h>

#include <array>
#include <memory>
#include <optional>

#include "app/controls.h"
#include "app/win32/accessibility.h"
#include "platform/win32/apartment.h"
#include "platform/win32/handles.h"
#include "platform/win32/local_address.h"
#include "platform/win32/win32_os.h"

namespace platform::win32 {
class BrowserHost;
}

namespace app::win32 {

// A control's own window and its row of the inventory, for the name an error
// gives when that window is gone.
class OwnWindow {
 public:
  OwnWindow(HWND hwnd, app::ControlId id) : hwnd_(hwnd), id_(id) {}

 protected:
  // The control's window; throws when it is gone.
  HWND Require() const;
  HWND hwnd_;
  app::ControlId id_;
};

class EditBox final : public platform::TextBox, OwnWindow {
 public:
  using OwnWindow::OwnWindow;
  platform::Text GetText() const override;
  void SetText(platform::TextView text) override;
  void AppendText(platform::TextView text) override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
};

class StaticLabel final : public platform::Label, OwnWindow {
 public:
  using OwnWindow::OwnWindow;
  void SetCaption(platform::TextView caption) override;
};

class FramePanel final : public platform::Panel, OwnWindow {
 public:
  using OwnWindow::OwnWindow;
  void SetBackColor(platform::Rgb color) override;
  const platform::win32::Brush& brush() const { return brush_; }

 private:
  platform::win32::Brush brush_;
};

// A timer of the main window: its window is the one it ticks to.
class WinTimer final : public platform::Timer {
 public:
  WinTimer(HWND window, app::ControlId id) : window_(window), id_(id) {}
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override { return enabled_; }
  // The window is going and its timers with it.
  void WindowGone() noexcept;

 private:
  HWND window_;
  app::ControlId id_;
  bool enabled_ = false;
};

class BrowserArea final : public platform::Browser, OwnWindow {
 public:
  explicit BrowserArea(HWND area);
  ~BrowserArea() override;
  BrowserArea(const BrowserArea&) = delete;
  BrowserArea& operator=(const BrowserArea&) = delete;
  void Navigate(platform::TextView url) override;
  bool TranslateAccelerator(MSG* msg);
  // Fits the control to the area again; nothing to do before the first check
  // has made it.
  void Resize();
  // Takes the control down, before its window goes. OLE stays until this
  // object goes, after the message loop.
  void Destroy();

 private:
  // Started with the first check and ended with this object, after the loop:
  // the control's hidden windows, timers and threads may still run into its
  // code until then, and ending OLE is where COM unloads it.
  std::optional<platform::win32::ScopedOle> ole_;
  std::unique_ptr<platform::win32::BrowserHost> host_;
};

class LocalSocket final : public platform::Socket {
 public:
  platform::Text LocalIP() override { return platform::win32::LocalIPv4(); }
};

// The main window as the handlers see it, and the way the program ends.
class FormWindow final : public platform::Window, public platform::Process {
 public:
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  HWND hwnd() const { return hwnd_; }
  // The colour given at load, or the system's until then.
  HBRUSH BackBrush() const;
  HICON Icon() const { return big_icon_.get(); }

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

  // platform::Process: the window goes, with its timers, and nothing runs after.
  void End() noexcept override;

 private:
  friend class WinControls;
  HWND hwnd_ = nullptr;
  int dpi_ = 0;
  platform::win32::Brush back_brush_;
  platform::win32::Icon big_icon_;
  platform::win32::Icon small_icon_;
};

class WinControls final : public app::Controls {
 public:
  WinControls() = default;
  WinControls(const WinControls&) = delete;
  WinControls& operator=(const WinControls&) = delete;

  // Makes every control of the table on the window, in the keyboard order, at
  // the window's DPI.
  void Create(HWND window, HINSTANCE instance, int dpi);
  // The fonts and the window's icons made for `dpi`, and every control laid
  // out again from the table, each label as wide as its caption.
  void LayOutAt(int dpi);
  // The window is going: the timers go with it, the browser comes down and
  // screen readers are answered no more.
  void Destroy() noexcept;

  int dpi() const { return form_.dpi_; }
  // The window of a control of the table; null for timers and the socket.
  HWND Window(app::ControlId id) const { return windows_[static_cast<std::size_t>(id)]; }
  // The control a child-window or timer id stands for.
  static std::optional<app::ControlId> FromId(UINT_PTR id);
  // Whether a tick of this timer is still wanted: one queued before it was
  // disarmed is not.
  bool TimerArmed(app::ControlId id) const;
  bool TranslateAccelerator(MSG* msg) { return browser_ && browser_->TranslateAccelerator(msg); }

  // app::Controls
  FormWindow& Form() override { return form_; }
  EditBox& Box(app::ControlId id) override { return app::ControlOfKind(boxes_, id, "text box"); }
  StaticLabel& Label(app::ControlId id) override { return app::ControlOfKind(labels_, id, "label"); }
  FramePanel& Frame(app::ControlId id) override { return app::ControlOfKind(panels_, id, "frame"); }
  WinTimer& Timer(app::ControlId id) override { return app::ControlOfKind(timers_, id, "timer"); }
  BrowserArea& Browser(app::ControlId id) override;
  LocalSocket& Socket(app::ControlId id) override {
    return app::OnlyControl(socket_, app::ControlId::Winsock1, id, "socket");
  }

 private:
  struct Fonts {
    platform::win32::Font default_font;
    platform::win32::Font label_font;
    platform::win32::Font box_font;
  };
  HFONT FontFor(app::FontKind kind) const;
  RECT PixelRect(const app::ControlSpec& spec) const;
  HWND MakeWindow(const app::ControlSpec& spec, HWND parent, HINSTANCE instance) const;
  void UseDpi(int dpi);

  HINSTANCE instance_ = nullptr;
  FormWindow form_;
  Fonts fonts_;
  std::array<HWND, app::kControlCount> windows_{};
  app::ControlsOfKind<EditBox> boxes_;
  app::ControlsOfKind<StaticLabel> labels_;
  app::ControlsOfKind<FramePanel> panels_;
  app::ControlsOfKind<WinTimer> timers_;
  std::optional<BrowserArea> browser_;
  LocalSocket socket_;
  AccessibleControls accessible_;
};

}  // namespace app::win32
