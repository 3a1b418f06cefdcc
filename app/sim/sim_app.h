#pragma once
// The real window's twin over the simulation: the window object wired to
// simulated controls and services, its events delivered through the same
// dispatch as the real window's, handler errors collected instead of shown.
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/frmStat.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/sim_ui.h"

namespace sim {

// All the controls of the window, built from the inventory table.
class SimControls final : public app::Controls {
 public:
  SimControls();
  platform::Window& Form() override { return window; }
  platform::TextBox& Box(app::ControlId id) override { return box(id); }
  platform::Label& Lbl(app::ControlId id) override { return label(id); }
  platform::Panel& Frame(app::ControlId id) override { return panel(id); }
  platform::Timer& Tmr(app::ControlId id) override { return timer(id); }
  platform::Browser& Web(app::ControlId id) override;
  platform::Socket& Sock(app::ControlId id) override;

  SimTextBox& box(app::ControlId id) { return app::ControlOfKind(boxes_, id, "text box"); }
  SimTimer& timer(app::ControlId id) { return app::ControlOfKind(timers_, id, "timer"); }
  SimLabel& label(app::ControlId id) { return app::ControlOfKind(labels_, id, "label"); }
  SimPanel& panel(app::ControlId id) { return app::ControlOfKind(panels_, id, "frame"); }

  Faults faults;
  SimClock clock;
  SimWindow window{faults};
  SimBrowser browser{faults};
  SimSocket socket{faults};
  std::string focus;  // name of the control that has the focus

 private:
  app::ControlsOfKind<SimTextBox> boxes_;
  app::ControlsOfKind<SimLabel> labels_;
  app::ControlsOfKind<SimPanel> panels_;
  app::ControlsOfKind<SimTimer> timers_;
};

class SimApp {
 public:
  SimApp();
  SimApp(const SimApp&) = delete;
  SimApp& operator=(const SimApp&) = delete;

  // Form_Load, as the window layer raises it.
  void Load();
  void Click(app::ControlId button);
  void MouseMove(float x_twips, float y_twips = 0);
  // What the shell sends the window for a mouse event over the icon.
  void TrayCallback(std::uint32_t mouse_message);
  void TaskbarCreated();
  void Close();

  SimControls ui;
  SimAnsi ansi;
  SimRegistry registry;
  SimMessaging messaging;
  SimIdentity identity;
  SimShell shell;
  SimProcess process;
  platform::Services services{ansi, registry, messaging, identity, shell, process};
  frmStat form{ui, services};
  app::ErrorReporter reporter;
  std::vector<std::string> errors_shown;

 private:
  void Run(const std::function<void()>& handler);
};

}  // namespace sim
