#include "app/frmStat.h"

#include "app/checked16.h"
#include "identity/Mod1.h"
#include "presence/presence.h"
#include "status/rotation.h"
#include "writer/writer.h"

using app::ControlId;
using platform::Text;

namespace {
constexpr std::u16string_view kBanner = u"For Tamsivorlen. Made by Quorbelline !";
}  // namespace

// ---- start-up and exit ------------------------------------------------------

void frmStat::Form_Load() {
  ui_.Form().SetBackColor(app::kFormBackColor);
  ui_.Frame(ControlId::Frame1).SetBackColor(app::kFormBackColor);
  DoIt();
  const Text ip = ui_.Socket(ControlId::Winsock1).LocalIP();
  const Text computer = Mod1::GetMachineName(os_.identity, os_.ansi);
  const Text user = Mod1::GetLoggedOnUser(os_.identity, os_.ansi);
  ui_.Label(ControlId::Label1)
      .SetCaption(u"Hello: " + user + u"!      On computer: " + computer + u"       IP is: " + ip);
}

// The window layer removes the notification icon however the window goes, so
// Exit leaves no dead icon behind.
void frmStat::Command3_Click() { os_.process.End(); }

void frmStat::Form_Unload() { Command3_Click(); }

// ---- title scroller ---------------------------------------------------------

void frmStat::DoIt() {
  ScrollText = Text(kBanner);
  ScrollLen = app::ToInt16(ScrollText.size());
  ScrollPos = 0;
}

void frmStat::Timer6_Timer() {
  ScrollTitle = ScrollText.substr(0, static_cast<std::size_t>(ScrollPos < 0 ? 0 : ScrollPos));
  ui_.Form().SetCaption(ScrollTitle);
  ScrollPos = app::CheckedAdd16(ScrollPos, 1);
  if (ScrollPos > ScrollLen) ScrollPos = 0;
}

// ---- status rotation --------------------------------------------------------

status::Ring frmStat::StatusRing() {
  return {{&ui_.Box(ControlId::txt1), &ui_.Box(ControlId::txt2), &ui_.Box(ControlId::txt3), &ui_.Box(ControlId::txt4),
           &ui_.Box(ControlId::txt5)},
          {&ui_.Timer(ControlId::Timer1), &ui_.Timer(ControlId::Timer2), &ui_.Timer(ControlId::Timer3),
           &ui_.Timer(ControlId::Timer4), &ui_.Timer(ControlId::Timer5)},
          &rotation_stops_};
}

void frmStat::Command1_Click() { status::StartRotation(StatusRing()); }
void frmStat::Command2_Click() { status::StopRotation(StatusRing()); }
void frmStat::Timer1_Timer() { status::RotationTick(StatusRing(), 0, os_); }
void frmStat::Timer2_Timer() { status::RotationTick(StatusRing(), 1, os_); }
void frmStat::Timer3_Timer() { status::RotationTick(StatusRing(), 2, os_); }
void frmStat::Timer4_Timer() { status::RotationTick(StatusRing(), 3, os_); }
void frmStat::Timer5_Timer() { status::RotationTick(StatusRing(), 4, os_); }

// ---- Ascii writer -----------------------------------------------------------

void frmStat::Text1_Change() {
  writer::RunChange(ui_.Box(ControlId::Text1), ui_.Box(ControlId::Text2), ui_.Box(ControlId::Text3));
}

// ---- presence check ---------------------------------------------------------

void frmStat::Command5_Click() {
  const Text name = ui_.Box(ControlId::Text4).GetText();
  ui_.Browser(ControlId::WebBrowser1).Navigate(presence::PresenceUrl(presence::Host(), name));
}

// ---- notification area ------------------------------------------------------

void frmStat::Command4_Click() { tray_.Minimize(); }

void frmStat::Form_MouseMove(std::int16_t, std::int16_t, float x, float) { tray_.Callback(x); }

void frmStat::Form_StartedAgain() { tray_.Restore(); }

void frmStat::Shell_TaskbarCreated() { tray_.ShellRestarted(); }

void frmStat::Timer7_Timer() { tray_.AskAgain(); }
