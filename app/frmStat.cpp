#include "app/frmStat.h"

#include "app/checked16.h"
#include "identity/Mod1.h"

using app::ControlId;
using platform::Text;

namespace {
constexpr std::u16string_view kBanner = u"For Tamsivorlen. Made by Quorbelline !";
}  // namespace

void frmStat::Form_Load() {
  ui_.Form().SetBackColor(app::kFormBackColor);
  ui_.Frame(ControlId::Frame1).SetBackColor(app::kFormBackColor);
  DoIt();
  const Text ip = ui_.Sock(ControlId::Winsock1).LocalIP();
  const Text computer = Mod1::GetMachineName(os_.identity, os_.ansi);
  const Text user = Mod1::GetLoggedOnUser(os_.identity, os_.ansi);
  ui_.Lbl(ControlId::Label1)
      .SetCaption(u"Hello: " + user + u"!      On computer: " + computer + u"       IP is: " + ip);
}

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

void frmStat::Command3_Click() {
  // Leaving an icon behind would strand a dead one in the notification area.
  // Exit has no failure case, so nothing about the removal may keep the
  // program running; if the window cannot be read here, the window layer
  // still removes the icon when the window goes.
  try {
    RemoveTrayIcon();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the icon goes with the window all the same
  }
  os_.process.End();
}

void frmStat::Form_Unload() { Command3_Click(); }
