#pragma once
// The real window's twin over the simulation: the window object wired to
// simulated controls and services, its events raised through the same
// dispatch as the real window's, handler errors collected instead of shown.
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/frmStat.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/sim_ui.h"

namespace app::sim {

// All the controls of the window, built from the inventory table.
class SimControls final : public Controls {
 public:
  SimControls();
  platform::sim::SimWindow& Form() override { return window_; }
  platform::sim::SimTextBox& Box(ControlId id) override { return ControlOfKind(boxes_, id, "text box"); }
  platform::sim::SimLabel& Label(ControlId id) override { return ControlOfKind(labels_, id, "label"); }
  platform::sim::SimPanel& Frame(ControlId id) override { return ControlOfKind(panels_, id, "frame"); }
  platform::sim::SimTimer& Timer(ControlId id) override { return ControlOfKind(timers_, id, "timer"); }
  platform::sim::SimBrowser& Browser(ControlId id) override {
    return OnlyControl(browser_, ControlId::WebBrowser1, id, "browser");
  }
  platform::sim::SimSocket& Socket(ControlId id) override {
    return OnlyControl(socket_, ControlId::Winsock1, id, "socket");
  }

  platform::sim::Faults faults;
  platform::sim::SimClock clock;
  std::string focus;  // name of the control that has the focus

 private:
  platform::sim::SimWindow window_{faults};
  platform::sim::SimBrowser browser_{faults};
  platform::sim::SimSocket socket_{faults};
  ControlsOfKind<platform::sim::SimTextBox> boxes_;
  ControlsOfKind<platform::sim::SimLabel> labels_;
  ControlsOfKind<platform::sim::SimPanel> panels_;
  ControlsOfKind<platform::sim::SimTimer> timers_;
};

class SimApp {
 public:
  SimApp();
  SimApp(const SimApp&) = delete;
  SimApp& operator=(const SimApp&) = delete;

  // Form_Load, as the window layer raises it.
  void Load();
  void Click(ControlId button);
  void MouseMove(float x_twips, float y_twips = 0);
  // What the shell sends the window for a mouse event over the icon.
  void TrayCallback(std::uint32_t mouse_message);
  // A new shell: it has lost every icon, and says so.
  void ShellRestarts();
  void Close();

  SimControls ui;
  platform::sim::SimAnsi ansi;
  platform::sim::SimRegistry registry;
  platform::sim::SimMessaging messaging;
  platform::sim::SimIdentity identity;
  platform::sim::SimShell shell;
  platform::sim::SimProcess process;
  platform::Services services{ansi, registry, messaging, identity, shell, process};
  frmStat form{ui, services};
  std::vector<std::string> errors_shown;

 private:
  void Raise(const Event& event);
  Dispatch dispatch_{form, [this](const std::string& message) { errors_shown.push_back(message); }};
};

}  // namespace app::sim
