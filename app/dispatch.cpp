#include "app/dispatch.h"

namespace app {

Handler HandlerFor(ControlId id, EventKind kind) {
  switch (kind) {
    case EventKind::kClick:
      switch (id) {
        case ControlId::Command1: return &frmStat::Command1_Click;
        case ControlId::Command2: return &frmStat::Command2_Click;
        case ControlId::Command3: return &frmStat::Command3_Click;
        case ControlId::Command4: return &frmStat::Command4_Click;
        case ControlId::Command5: return &frmStat::Command5_Click;
        default: return nullptr;
      }
    case EventKind::kChange: return id == ControlId::Text1 ? &frmStat::Text1_Change : nullptr;
    case EventKind::kTimer:
      switch (id) {
        case ControlId::Timer1: return &frmStat::Timer1_Timer;
        case ControlId::Timer2: return &frmStat::Timer2_Timer;
        case ControlId::Timer3: return &frmStat::Timer3_Timer;
        case ControlId::Timer4: return &frmStat::Timer4_Timer;
        case ControlId::Timer5: return &frmStat::Timer5_Timer;
        case ControlId::Timer6: return &frmStat::Timer6_Timer;
        default: return nullptr;
      }
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
