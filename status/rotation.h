#pragma once
// The rotation chain: five timers pass one turn around a ring of five status
// boxes. Its state is which timers are armed and whether the boxes are
// enabled, and a count of the Stops, which the window keeps.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/os.h"
#include "platform/ui.h"

namespace status {

inline constexpr std::size_t kSlots = 5;

// Slot k: its box is published on the tick of its timer, which then hands the
// turn to slot k + 1, and the last slot to the first.
struct Ring {
  std::array<platform::TextBox*, kSlots> boxes;
  std::array<platform::Timer*, kSlots> timers;
  // Every Stop counts one: a tick that publishes across a Stop, even one
  // followed by a new Start, must not hand the old turn on.
  std::uint32_t* stops;
};

// Start: the first slot's timer armed, the boxes locked. Publishes nothing.
void StartRotation(const Ring& ring);
// Stop: every turn ended wherever it is, the boxes given back.
void StopRotation(const Ring& ring);
// The tick of slot `slot`'s timer: its box published, then the next slot's
// timer armed, and only then its own disarmed. A tick across which a Stop
// came in, or whose timer went with the window, hands nothing on.
void RotationTick(const Ring& ring, std::size_t slot, platform::Services& os);

}  // namespace status
