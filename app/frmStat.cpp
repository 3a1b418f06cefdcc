#include "app/frmStat.h"

#include <utility>

#include "app/checked16.h"
#include "app/tray.h"
#include "identity/Mod1.h"
#include "presence/presence.h"
#include "status/rotation.h"
#include "writer/writer.h"

using app::ControlId;
using platform::Text;

namespace {
constexpr std::u16string_view kBanner = u"For Tamsivorlen. Made by Quorbelline !";
constexpr std::u16string_view kTrayTip = u"Made by Quorbelline!";
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
           &ui_.Timer(ControlId::Timer4), &ui_.Timer(ControlId::Timer5)}};
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

platform::NotifyIconData frmStat::MakeTrayIconData(std::uint32_t hwnd, std::uint32_t id, std::uint32_t flags,
                                                   std::uint32_t callback_message, std::uint32_t icon,
                                                   platform::TextView tip) {
  platform::NotifyIconData data;
  data.cbSize = platform::NotifyIconData::kBytes;
  data.hWnd = hwnd;
  data.uID = id;
  data.uFlags = flags;
  data.uCallbackMessage = callback_message;
  data.hIcon = icon;
  Text field(tip);
  field.push_back(u'\0');
  field.resize(platform::NotifyIconData::kTipChars, u' ');
  data.szTip = std::move(field);
  return data;
}

bool frmStat::ShowTrayIcon() {
  const auto hwnd = ui_.Form().Handle();
  const auto icon = ui_.Form().IconHandle();
  const auto record =
      MakeTrayIconData(hwnd, app::kTrayIconId, app::kTrayFlags, app::kTrayCallbackMessage, icon, kTrayTip);
  // The icon stays after a restore, so a later Minimize finds it there: adding
  // it again fails, and updating it is what shows it is there.
  return os_.shell.Shell_NotifyIconA(platform::kNimAdd, record) != 0 ||
         os_.shell.Shell_NotifyIconA(platform::kNimModify, record) != 0;
}

void frmStat::Command4_Click() {
  const bool in_tray = ShowTrayIcon();
  auto& form = ui_.Form();
  form.SetWindowState(platform::WindowState::kMinimized);
  // Hidden without an icon, the window could only be ended by killing the
  // process: with no shell to take the icon (at logon, say) it stays on the
  // taskbar until one announces itself.
  tray_icon_pending_ = !in_tray;
  if (in_tray) form.SetVisible(false);
}

void frmStat::Form_MouseMove(std::int16_t, std::int16_t, float x, float) {
  auto& form = ui_.Form();
  if (form.IsVisible()) return;
  const auto message = app::TrayMessageFromX(x, form.TwipsPerPixelX());
  if (!message || *message != app::kLeftDoubleClick) return;
  Restore();
}

void frmStat::Form_StartedAgain() { Restore(); }

void frmStat::Restore() {
  auto& form = ui_.Form();
  form.SetVisible(true);
  form.SetWindowState(platform::WindowState::kNormal);
  std::uint32_t process_id = 0;
  os_.shell.GetWindowThreadProcessId(form.Handle(), &process_id);
  os_.shell.AppActivate(process_id);
}

void frmStat::Shell_TaskbarCreated() {
  auto& form = ui_.Form();
  // A hidden window needs its icon back: it is the user's only way in. A
  // window that Minimize had to leave on the taskbar goes where it was sent,
  // unless the user has brought it back meanwhile.
  const bool hidden = !form.IsVisible();
  const bool pending = std::exchange(tray_icon_pending_, false);
  if (!hidden && !(pending && form.GetWindowState() == platform::WindowState::kMinimized)) return;
  if (ShowTrayIcon()) {
    if (!hidden) form.SetVisible(false);
    return;
  }
  // This shell took no icon either: the window waits on the taskbar.
  tray_icon_pending_ = true;
  if (hidden) form.SetVisible(true);
}
