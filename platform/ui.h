#pragma once
// The controls of the one window, as the portable handlers see them. Every
// operation may throw platform::Error; none of them includes <windows.h>.
#include <cstdint>

#include "platform/text.h"
#include "platform/window_handle.h"

namespace platform {

struct Rgb {
  std::uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class WindowState { kNormal = 0, kMinimized = 1 };

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual Text GetText() const = 0;
  // Replacing the text raises the box's change event before returning.
  virtual void SetText(TextView text) = 0;
  // Same result as SetText(GetText() + text), without rewriting the whole box.
  virtual void AppendText(TextView text) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetFocus() = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  // The label resizes itself to its caption.
  virtual void SetCaption(TextView caption) = 0;
};

class Panel {
 public:
  virtual ~Panel() = default;
  virtual void SetBackColor(Rgb color) = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  // Arming an armed timer leaves it running: its interval is not restarted.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsEnabled() const = 0;
};

class Browser {
 public:
  virtual ~Browser() = default;
  // Starts a plain retrieval of the URL and returns at once.
  virtual void Navigate(TextView url) = 0;
};

class Socket {
 public:
  virtual ~Socket() = default;
  // The local machine's IPv4 address in dotted decimal; may be empty.
  virtual Text LocalIP() = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void SetCaption(TextView caption) = 0;
  virtual void SetBackColor(Rgb color) = 0;
  virtual Hwnd Handle() const = 0;
  virtual HIcon IconHandle() const = 0;
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual WindowState GetWindowState() const = 0;
  virtual void SetWindowState(WindowState state) = 0;
  // Twips per pixel horizontally: 15 at 96 DPI, 12 at 120 DPI.
  virtual float TwipsPerPixelX() const = 0;
};

}  // namespace platform
