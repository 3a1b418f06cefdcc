#pragma once
// From a control's event to its handler, and what becomes of a handler's
// error. The window layer delivers events through here and nowhere else.
#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "app/frmStat.h"
#include "app/inventory.h"

namespace app {

enum class EventKind : std::uint8_t { kClick, kChange, kTimer };

using Handler = void (frmStat::*)();

// The handler of that control's event, or null if it has none.
Handler HandlerFor(ControlId id, EventKind kind);

// Decides which handler errors the user is told about: each distinct message
// once, so a recurring error (a timer failing every tick) gives one report,
// not a box every tick.
class ErrorReporter {
 public:
  // The text to show for this error, or nothing if it was already shown.
  std::optional<std::string> Admit(const std::exception& error);
  std::optional<std::string> AdmitUnknown();

 private:
  std::set<std::string> shown_;
};

// Runs the handler; an error it raises is handed to `show` if the reporter
// admits it. Nothing escapes: this is called from window callbacks.
void Invoke(const std::function<void()>& handler, ErrorReporter& reporter,
            const std::function<void(const std::string&)>& show) noexcept;

}  // namespace app
