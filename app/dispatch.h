#pragma once
// Where every event of the window meets its handler. The real window and the
// simulated one hand each event here, once, and nowhere else.
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "app/frmStat.h"
#include "app/inventory.h"

namespace app {

enum class EventKind : std::uint8_t {
  kLoad,            // the window's
  kUnload,          // the window's close box
  kMouseMove,       // the window's, with `mouse`
  kShellRestarted,  // the window's: a new shell has forgotten every notification icon
  kStartedAgain,    // the window's: the program was started again
  kClick,           // a control's
  kChange,          // a control's
  kTimer,           // a control's
};

struct MouseArgs {
  std::int16_t button = 0;
  std::int16_t shift = 0;
  float x = 0;  // twips from the client area's top-left
  float y = 0;
};

struct Event {
  EventKind kind;
  ControlId control{};  // for a control's event
  MouseArgs mouse{};    // for a mouse move
};

class Dispatch {
 public:
  using Show = std::function<void(const std::string&)>;
  // `show` tells the user of a handler's error.
  Dispatch(frmStat& form, Show show) : form_(form), show_(std::move(show)) {}

  // Runs the event's handler, if it has one. An error the handler raises is
  // shown once per distinct text, so a recurring one (a timer failing every
  // tick) gives one report, not a box every tick. Nothing escapes: this runs
  // inside window callbacks.
  void Raise(const Event& event) noexcept;

 private:
  void Report(std::string message) noexcept;

  frmStat& form_;
  Show show_;
  std::set<std::string> shown_;
};

}  // namespace app
