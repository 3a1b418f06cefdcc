#pragma once
// Reaches the controls of the window by their inventory name. The Win32 layer
// and the simulation both implement it; asking for a control as the wrong kind
// is a programming error and throws platform::Error.
#include "app/inventory.h"
#include "platform/ui.h"

namespace app {

class Controls {
 public:
  virtual ~Controls() = default;
  virtual platform::Window& Form() = 0;
  virtual platform::TextBox& Box(ControlId id) = 0;
  virtual platform::Label& Lbl(ControlId id) = 0;
  virtual platform::Panel& Frame(ControlId id) = 0;
  virtual platform::Timer& Tmr(ControlId id) = 0;
  virtual platform::Browser& Web(ControlId id) = 0;
  virtual platform::Socket& Sock(ControlId id) = 0;
};

}  // namespace app
