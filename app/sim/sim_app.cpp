#include "app/sim/sim_app.h"

namespace app::sim {

SimControls::SimControls() {
  for (const auto& control : Inventory()) {
    const std::string name(control.name);
    const auto at = static_cast<std::size_t>(control.id);
    switch (control.kind) {
      case ControlKind::kTextBox:
        boxes_[at] = std::make_unique<platform::sim::SimTextBox>(name, faults, platform::Text(control.text));
        boxes_[at]->on_focus = [this](const std::string& who) { focus = who; };
        break;
      case ControlKind::kLabel:
        labels_[at] = std::make_unique<platform::sim::SimLabel>(name, faults, platform::Text(control.text));
        break;
      case ControlKind::kFrame: panels_[at] = std::make_unique<platform::sim::SimPanel>(name, faults); break;
      case ControlKind::kTimer:
        timers_[at] = std::make_unique<platform::sim::SimTimer>(name, faults, clock, control.timer_interval_ms,
                                                                control.timer_enabled);
        break;
      default: break;
    }
  }
  window_.caption = platform::Text(kInitialCaption);
  focus = "txt1";
}

SimApp::SimApp() {
  for (const auto& control : Inventory()) {
    if (control.kind == ControlKind::kTextBox) {
      ui.Box(control.id).on_change = [this, id = control.id] { Raise({EventKind::kChange, id}); };
    }
    if (control.kind == ControlKind::kTimer) {
      ui.Timer(control.id).on_tick = [this, id = control.id] { Raise({EventKind::kTimer, id}); };
    }
  }
  // The window goes with its timers, as the real one does.
  process.on_end = [this] {
    for (const auto& control : Inventory()) {
      if (control.kind == ControlKind::kTimer) ui.Timer(control.id).Kill();
    }
  };
}

void SimApp::Raise(const Event& event) {
  if (!process.ended) dispatch_.Raise(event);  // nothing runs after Exit
}

void SimApp::Load() { Raise({EventKind::kLoad}); }

void SimApp::Click(ControlId button) { Raise({EventKind::kClick, button}); }

void SimApp::MouseMove(float x_twips, float y_twips) {
  Raise({.kind = EventKind::kMouseMove, .mouse = {.x = x_twips, .y = y_twips}});
}

void SimApp::TrayCallback(std::uint32_t mouse_message) {
  // The window layer turns message 512 into a mouse move at x = lParam pixels.
  MouseMove(static_cast<float>(mouse_message) * ui.Form().twips_per_pixel, 0);
}

void SimApp::ShellRestarts() {
  shell.Restart();
  Raise({EventKind::kShellRestarted});
}

void SimApp::Close() { Raise({EventKind::kUnload}); }

}  // namespace app::sim
