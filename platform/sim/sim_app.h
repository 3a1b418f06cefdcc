#pragma once
// The whole program over the simulation: the window object wired to simulated
// controls and services, its events delivered through the same dispatch as
// the real window's, handler errors collected instead of shown.
#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/frmStat.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/sim_ui.h"

namespace sim {

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
