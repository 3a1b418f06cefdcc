#include "status/rotation.h"

#include "status/status.h"

namespace status {

void StartRotation(const Ring& ring) {
  ring.timers[0]->SetEnabled(true);
  for (platform::TextBox* box : ring.boxes) box->SetEnabled(false);
}

void StopRotation(const Ring& ring) {
  ++*ring.stops;
  for (platform::Timer* timer : ring.timers) timer->SetEnabled(false);
  for (platform::TextBox* box : ring.boxes) box->SetEnabled(true);
}

void RotationTick(const Ring& ring, std::size_t slot, platform::Services& os) {
  const platform::Text text = ring.boxes[slot]->GetText();
  const std::uint32_t stops = *ring.stops;
  SetMessengerStatus(os, text);
  // While the messenger handles the command, our window still handles what
  // other programs send it. After a Stop the turn ends here rather than being
  // handed on, also when a Start came after it and armed the first timer
  // again: that Start begins at txt1. An Exit has disarmed every timer.
  if (*ring.stops != stops || !ring.timers[slot]->IsEnabled()) return;
  ring.timers[(slot + 1) % kSlots]->SetEnabled(true);
  ring.timers[slot]->SetEnabled(false);
}

}  // namespace status
