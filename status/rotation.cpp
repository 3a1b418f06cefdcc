// The rotation chain: five timers pass one turn around a ring. Its whole state
// is which timers are armed and whether the boxes are enabled.
#include <array>

#include "app/frmStat.h"
#include "status/status.h"

using app::ControlId;

namespace {

constexpr std::array<ControlId, 5> kSlotBoxes{ControlId::txt1, ControlId::txt2, ControlId::txt3, ControlId::txt4,
                                              ControlId::txt5};
constexpr std::array<ControlId, 5> kSlotTimers{ControlId::Timer1, ControlId::Timer2, ControlId::Timer3,
                                               ControlId::Timer4, ControlId::Timer5};

}  // namespace

void frmStat::Command1_Click() {
  ui_.Tmr(ControlId::Timer1).SetEnabled(true);
  for (ControlId box : kSlotBoxes) ui_.Box(box).SetEnabled(false);
}

void frmStat::Command2_Click() {
  for (ControlId timer : kSlotTimers) ui_.Tmr(timer).SetEnabled(false);
  for (ControlId box : kSlotBoxes) ui_.Box(box).SetEnabled(true);
}

void frmStat::RotationTick(int slot) {
  const auto k = static_cast<std::size_t>(slot);
  const platform::Text text = ui_.Box(kSlotBoxes[k]).GetText();
  status::SetMessengerStatus(os_, text);
  ui_.Tmr(kSlotTimers[(k + 1) % kSlotTimers.size()]).SetEnabled(true);
  ui_.Tmr(kSlotTimers[k]).SetEnabled(false);
}

void frmStat::Timer1_Timer() { RotationTick(0); }
void frmStat::Timer2_Timer() { RotationTick(1); }
void frmStat::Timer3_Timer() { RotationTick(2); }
void frmStat::Timer4_Timer() { RotationTick(3); }
void frmStat::Timer5_Timer() { RotationTick(4); }
