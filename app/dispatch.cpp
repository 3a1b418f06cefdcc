#include "app/dispatch.h"

#include <exception>

namespace app {
namespace {

using Handler = void (frmStat::*)();

struct Route {
  ControlId id;
  EventKind kind;
  Handler handler;
};

// clang-format off
constexpr Route kRoutes[] = {
    {ControlId::Command1, EventKind::kClick, &frmStat::Command1_Click},
    {ControlId::Command2, EventKind::kClick, &frmStat::Command2_Click},
    {ControlId::Command3, EventKind::kClick, &frmStat::Command3_Click},
    {ControlId::Command4, EventKind::kClick, &frmStat::Command4_Click},
    {ControlId::Command5, EventKind::kClick, &frmStat::Command5_Click},
    {ControlId::Text1,    EventKind::kChange, &frmStat::Text1_Change},
    {ControlId::Timer1,   EventKind::kTimer, &frmStat::Timer1_Timer},
    {ControlId::Timer2,   EventKind::kTimer, &frmStat::Timer2_Timer},
    {ControlId::Timer3,   EventKind::kTimer, &frmStat::Timer3_Timer},
    {ControlId::Timer4,   EventKind::kTimer, &frmStat::Timer4_Timer},
    {ControlId::Timer5,   EventKind::kTimer, &frmStat::Timer5_Timer},
    {ControlId::Timer6,   EventKind::kTimer, &frmStat::Timer6_Timer},
    {ControlId::Timer7,   EventKind::kTimer, &frmStat::Timer7_Timer},
};
// clang-format on

Handler HandlerFor(const Event& event) {
  switch (event.kind) {
    case EventKind::kLoad: return &frmStat::Form_Load;
    case EventKind::kUnload: return &frmStat::Form_Unload;
    case EventKind::kShellRestarted: return &frmStat::Shell_TaskbarCreated;
    case EventKind::kStartedAgain: return &frmStat::Form_StartedAgain;
    default: break;
  }
  for (const Route& route : kRoutes) {
    if (route.id == event.control && route.kind == event.kind) return route.handler;
  }
  return nullptr;
}

}  // namespace

void Dispatch::Raise(const Event& event) noexcept {
  try {
    if (event.kind == EventKind::kMouseMove) {
      form_.Form_MouseMove(event.mouse.button, event.mouse.shift, event.mouse.x, event.mouse.y);
    } else if (const Handler handler = HandlerFor(event)) {
      (form_.*handler)();
    }
  } catch (const std::exception& error) {
    Report(error.what());
  } catch (...) {
    Report({});
  }
}

void Dispatch::Report(std::string message) noexcept {
  try {
    if (message.empty()) message = "Unexpected error";
    if (!shown_.insert(message).second) return;
    show_(message);
  } catch (...) {
    // Nothing more can be done from inside a window callback.
  }
}

}  // namespace app
