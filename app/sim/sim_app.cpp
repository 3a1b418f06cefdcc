#include "app/sim/sim_app.h"

namespace sim {

SimControls::SimControls() {
  for (const auto& control : app::Inventory()) {
    const std::string name(control.name);
    switch (control.kind) {
      case app::ControlKind::kTextBox: {
        auto box = std::make_unique<SimTextBox>(name, faults, platform::Text(control.text));
        box->on_focus = [this](const std::string& who) { focus = who; };
        boxes_[static_cast<std::size_t>(control.id)] = std::move(box);
        break;
      }
      case app::ControlKind::kLabel:
        labels_[static_cast<std::size_t>(control.id)] = std::make_unique<SimLabel>(name, faults, platform::Text(control.text));
        break;
      case app::ControlKind::kFrame: panels_[static_cast<std::size_t>(control.id)] = std::make_unique<SimPanel>(name, faults); break;
      case app::ControlKind::kTimer:
        timers_[static_cast<std::size_t>(control.id)] = std::make_unique<SimTimer>(name, faults, clock, control.timer_interval_ms, control.timer_enabled);
        break;
      default: break;
    }
  }
  window.caption = platform::Text(app::kInitialCaption);
  focus = "txt1";
}

platform::Browser& SimControls::Web(app::ControlId id) {
  if (id != app::ControlId::WebBrowser1) throw platform::Error("not a browser");
  return browser;
}

platform::Socket& SimControls::Sock(app::ControlId id) {
  if (id != app::ControlId::Winsock1) throw platform::Error("not a socket");
  return socket;
}

SimApp::SimApp() {
  for (const auto& control : app::Inventory()) {
    if (control.kind == app::ControlKind::kTextBox) {
      if (const auto handler = app::HandlerFor(control.id, app::EventKind::kChange)) {
        ui.box(control.id).on_change = [this, handler] { Run([this, handler] { (form.*handler)(); }); };
      }
    }
    if (control.kind == app::ControlKind::kTimer) {
      if (const auto handler = app::HandlerFor(control.id, app::EventKind::kTimer)) {
        ui.timer(control.id).on_tick = [this, handler] { Run([this, handler] { (form.*handler)(); }); };
      }
    }
  }
}

void SimApp::Run(const std::function<void()>& handler) {
  if (process.ended) return;  // nothing runs after Exit
  app::Invoke(handler, reporter, [this](const std::string& message) { errors_shown.push_back(message); });
}

void SimApp::Load() {
  Run([this] { form.Form_Load(); });
}

void SimApp::Click(app::ControlId button) {
  if (const auto handler = app::HandlerFor(button, app::EventKind::kClick)) {
    Run([this, handler] { (form.*handler)(); });
  }
}

void SimApp::MouseMove(float x_twips, float y_twips) {
  Run([=, this] { form.Form_MouseMove(0, 0, x_twips, y_twips); });
}

void SimApp::TrayCallback(std::uint32_t mouse_message) {
  // The window layer turns message 512 into a mouse move at x = lParam pixels.
  MouseMove(static_cast<float>(mouse_message) * ui.window.twips_per_pixel, 0);
}

void SimApp::TaskbarCreated() {
  Run([this] { form.Shell_TaskbarCreated(); });
}

void SimApp::Close() {
  Run([this] { form.Form_Unload(); });
}

}  // namespace sim
