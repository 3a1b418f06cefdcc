#pragma once
// The one window of the program and every handler of its events. Each handler
// is a few lines that call a feature; the window layer only translates
// messages into calls of these, through app::Dispatch.
#include <cstdint>

#include "app/controls.h"
#include "app/tray_icon.h"
#include "platform/os.h"
#include "platform/text.h"
#include "status/rotation.h"

class frmStat {
 public:
  frmStat(app::Controls& controls, platform::Services& os) : ui_(controls), os_(os), tray_(controls, os.shell) {}
  frmStat(const frmStat&) = delete;
  frmStat& operator=(const frmStat&) = delete;

  // Start-up and exit.
  void Form_Load();
  void Command3_Click();
  // The close box ends the program the same way as Exit.
  void Form_Unload();

  // Title scroller.
  void DoIt();
  void Timer6_Timer();

  // Status rotation.
  void Command1_Click();
  void Command2_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  void Timer4_Timer();
  void Timer5_Timer();

  // Ascii writer.
  void Text1_Change();

  // Presence check.
  void Command5_Click();

  // Notification area.
  void Command4_Click();
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
  // The shell has (re)started and forgotten every notification icon.
  void Shell_TaskbarCreated();
  // A little after the shell took no icon: it may only have been too busy to say so.
  void Timer7_Timer();
  // The program was started again: the window comes back as from the icon.
  void Form_StartedAgain();

 private:
  status::Ring StatusRing();

  app::Controls& ui_;
  platform::Services& os_;

  // The title scroller's state.
  platform::Text ScrollText;
  platform::Text ScrollTitle;
  std::int16_t ScrollPos = 0;
  std::int16_t ScrollLen = 0;

  // How many times Stop was pressed: the rotation's guard against a Stop that
  // comes in while a tick publishes.
  std::uint32_t rotation_stops_ = 0;

  app::TrayIcon tray_;
};
