#pragma once
// Reaches the controls of the window by their inventory name. The real window
// and the simulated one both implement it, each returning its own kind of
// control; asking for a control as the wrong kind is a programming error and
// throws platform::Error.
#include <array>
#include <memory>
#include <string>

#include "app/inventory.h"
#include "platform/error.h"
#include "platform/ui.h"

namespace app {

class Controls {
 public:
  virtual ~Controls() = default;
  virtual platform::Window& Form() = 0;
  virtual platform::TextBox& Box(ControlId id) = 0;
  virtual platform::Label& Label(ControlId id) = 0;
  virtual platform::Panel& Frame(ControlId id) = 0;
  virtual platform::Timer& Timer(ControlId id) = 0;
  virtual platform::Browser& Browser(ControlId id) = 0;
  virtual platform::Socket& Socket(ControlId id) = 0;
};

// The controls of one kind, indexed by ControlId; empty where the control is
// of another kind.
template <typename T>
using ControlsOfKind = std::array<std::unique_ptr<T>, kControlCount>;

template <typename T>
T& ControlOfKind(const ControlsOfKind<T>& all, ControlId id, const char* kind) {
  const auto& control = all[static_cast<std::size_t>(id)];
  if (!control) throw platform::Error(std::string(Spec(id).name) + " is not a " + kind);
  return *control;
}

// The one control of a kind the window has just one of.
template <typename T>
T& OnlyControl(T& control, ControlId id, ControlId asked, const char* kind) {
  if (asked != id) throw platform::Error(std::string(Spec(asked).name) + " is not a " + kind);
  return control;
}

}  // namespace app
