#include "app/dispatch.h"

namespace app {

namespace {

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
};
// clang-format on

}  // namespace

Handler HandlerFor(ControlId id, EventKind kind) {
  for (const Route& route : kRoutes) {
    if (route.id == id && route.kind == kind) return route.handler;
  }
  return nullptr;
}

std::optional<std::string> ErrorReporter::Admit(const std::exception& error) {
  std::string message = error.what();
  if (message.empty()) message = "Unexpected error";
  if (!shown_.insert(message).second) return std::nullopt;
  return message;
}

std::optional<std::string> ErrorReporter::AdmitUnknown() {
  const std::string message = "Unexpected error";
  if (!shown_.insert(message).second) return std::nullopt;
  return message;
}

void Invoke(const std::function<void()>& handler, ErrorReporter& reporter,
            const std::function<void(const std::string&)>& show) noexcept {
  std::optional<std::string> report;
  try {
    handler();
  } catch (const std::exception& error) {
    report = reporter.Admit(error);
  } catch (...) {
    report = reporter.AdmitUnknown();
  }
  if (!report) return;
  try {
    show(*report);
  } catch (...) {
    // Nothing more can be done from inside a window callback.
  }
}

}  // namespace app
