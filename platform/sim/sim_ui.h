#pragma once
// Simulated controls: text boxes that raise their change event synchronously
// (re-entrantly, as the real edit control does), timers on a virtual clock,
// and a window with the state the handlers read and write.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/sim/faults.h"

namespace platform::sim {

class SimClock;

class SimTextBox final : public platform::TextBox {
 public:
  SimTextBox(std::string name, Faults& faults, platform::Text text)
      : name_(std::move(name)), faults_(faults), text_(std::move(text)) {
    faults_.Know(
        {name_ + ".GetText", name_ + ".SetText", name_ + ".AppendText", name_ + ".SetEnabled", name_ + ".SetFocus"});
  }
  platform::Text GetText() const override;
  void SetText(platform::TextView text) override;
  void AppendText(platform::TextView text) override;
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const { return enabled_; }
  void SetFocus() override;

  // What the user does: the text changes and the change event is raised.
  void UserSets(platform::TextView text);
  std::function<void()> on_change;
  std::function<void(const std::string&)> on_focus;  // tells the form who has the focus

 private:
  std::string name_;
  Faults& faults_;
  platform::Text text_;
  bool enabled_ = true;
};

class SimLabel final : public platform::Label {
 public:
  SimLabel(std::string name, Faults& faults, platform::Text caption)
      : name_(std::move(name)), faults_(faults), caption_(std::move(caption)) {
    faults_.Know({name_ + ".SetCaption"});
  }
  void SetCaption(platform::TextView caption) override;
  platform::Text GetCaption() const { return caption_; }

 private:
  std::string name_;
  Faults& faults_;
  platform::Text caption_;
};

class SimPanel final : public platform::Panel {
 public:
  SimPanel(std::string name, Faults& faults) : name_(std::move(name)), faults_(faults) {
    faults_.Know({name_ + ".SetBackColor"});
  }
  void SetBackColor(platform::Rgb color) override;
  std::optional<platform::Rgb> back_color;

 private:
  std::string name_;
  Faults& faults_;
};

class SimTimer final : public platform::Timer {
 public:
  SimTimer(std::string name, Faults& faults, SimClock& clock, int interval_ms, bool enabled);
  void SetEnabled(bool enabled) override;
  bool IsEnabled() const override { return enabled_; }
  // The window has gone, and its timers with it.
  void Kill() { enabled_ = false; }
  std::function<void()> on_tick;

 private:
  friend class SimClock;
  std::string name_;
  Faults& faults_;
  SimClock& clock_;
  int interval_ms_;
  bool enabled_;
  long long due_ms_ = 0;
  long long armed_seq_ = 0;
};

// Virtual time. Advancing fires every timer that falls due, earliest first
// (ties in the order they were armed), one handler at a time; a handler's own
// duration can be modelled with Spend().
class SimClock {
 public:
  long long now_ms() const { return now_; }
  void Advance(long long ms);
  // Time passing inside a handler (a slow publish, say).
  void Spend(long long ms) { now_ += ms; }
  void Register(SimTimer* timer) { timers_.push_back(timer); }
  long long NextSeq() { return ++seq_; }

 private:
  long long now_ = 0;
  long long seq_ = 0;
  std::vector<SimTimer*> timers_;
};

class SimBrowser final : public platform::Browser {
 public:
  explicit SimBrowser(Faults& faults) : faults_(faults) { faults_.Know({"WebBrowser1.Navigate"}); }
  void Navigate(platform::TextView url) override;
  std::vector<platform::Text> navigations;

 private:
  Faults& faults_;
};

class SimSocket final : public platform::Socket {
 public:
  explicit SimSocket(Faults& faults) : faults_(faults) { faults_.Know({"Winsock1.LocalIP"}); }
  platform::Text LocalIP() override;
  platform::Text ip = u"10.0.0.5";

 private:
  Faults& faults_;
};

// Each operation can be made to fail, as "Form.<operation>".
class SimWindow final : public platform::Window {
 public:
  explicit SimWindow(Faults& faults) : faults_(faults) {
    faults_.Know({"Form.SetCaption", "Form.SetBackColor", "Form.Handle", "Form.IconHandle", "Form.IsVisible",
                  "Form.SetVisible", "Form.GetWindowState", "Form.SetWindowState", "Form.TwipsPerPixelX"});
  }
  void SetCaption(platform::TextView text) override { caption = Hit("Form.SetCaption", platform::Text(text)); }
  void SetBackColor(platform::Rgb color) override { back_color = Hit("Form.SetBackColor", color); }
  platform::Hwnd Handle() const override { return Hit("Form.Handle", hwnd); }
  platform::HIcon IconHandle() const override { return Hit("Form.IconHandle", icon); }
  bool IsVisible() const override { return Hit("Form.IsVisible", visible); }
  void SetVisible(bool v) override { visible = Hit("Form.SetVisible", v); }
  platform::WindowState GetWindowState() const override { return Hit("Form.GetWindowState", state); }
  void SetWindowState(platform::WindowState s) override { state = Hit("Form.SetWindowState", s); }
  float TwipsPerPixelX() const override { return Hit("Form.TwipsPerPixelX", twips_per_pixel); }

  platform::Text caption;
  std::optional<platform::Rgb> back_color;
  platform::Hwnd hwnd = 0x20040;
  platform::HIcon icon = 0x10053;
  bool visible = true;
  platform::WindowState state = platform::WindowState::kNormal;
  float twips_per_pixel = 15.0f;

 private:
  // Counts the call, fails it if planned, and passes the value through.
  template <typename T>
  T Hit(const char* op, T value) const {
    faults_.Hit(op);
    return value;
  }
  Faults& faults_;
};

}  // namespace platform::sim
