#pragma once
// The program's icon in the notification area, and the window's way behind
// it and back: the record the shell is given, the decoding of the icon's
// callback (which arrives as a mouse move), and when the window may hide.
#include <cstdint>
#include <optional>

#include "app/controls.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace app {

inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::uint32_t kTrayFlags = 7;              // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr std::uint32_t kTrayCallbackMessage = 512;  // WM_MOUSEMOVE
inline constexpr std::int32_t kLeftDoubleClick = 515;       // WM_LBUTTONDBLCLK

// X (twips) rounded to nearest-even, divided by the factor rounded the same
// way, the quotient truncated: the mouse message number the shell reported.
// Nothing for input that has no such number (NaN, infinities, values beyond
// 32 bits, a zero factor).
std::optional<std::int32_t> TrayMessageFromX(float x_twips, float twips_per_pixel);

// The screen's twips per pixel as the window layer reports it: a whole number,
// 15 at 96 DPI and 12 at 120. A fractional factor (8.57 at 168 DPI) would not
// survive the rounding of both numbers above, and the double-click would come
// back as another message.
float TwipsPerPixelForDpi(int dpi);

class TrayIcon {
 public:
  TrayIcon(app::Controls& ui, platform::Shell& shell) : ui_(ui), shell_(shell) {}

  // The icon in, the window minimised, and hidden only where the icon leads
  // back: with no shell to take the icon (at logon, say) the window stays on
  // the taskbar until one announces itself.
  void Minimize();
  // The icon's callback as the window reports it, x in twips: a left
  // double-click brings a hidden window back, and nothing else does anything.
  void Callback(float x);
  // The window shown, in its normal state, in front.
  void Restore();
  // A new shell has forgotten every icon: a hidden window needs its icon back,
  // and one that Minimize had to leave on the taskbar goes where it was sent.
  void ShellRestarted();
  // A while after the shell took no icon: a busy shell may have taken it and
  // only been too slow to say so, and then the window goes behind it.
  void AskAgain();
  // Asks the shell to drop the window's icon; harmless when there is none.
  static void Remove(platform::Shell& shell, platform::Hwnd window) noexcept;

 private:
  // Builds the notification-icon record; it talks to nobody.
  static platform::NotifyIconData MakeTrayIconData(std::uint32_t hwnd, std::uint32_t id, std::uint32_t flags,
                                                   std::uint32_t callback_message, std::uint32_t icon,
                                                   platform::TextView tip);
  platform::NotifyIconData Record();
  // Puts the icon in the notification area, or finds it there from an earlier
  // Minimize; false when the shell took neither request.
  bool Show();
  // No icon leads back, as far as the shell says: the window waits on the
  // taskbar, and the shell is asked once more a little later.
  void Wait();

  app::Controls& ui_;
  platform::Shell& shell_;
  // Minimize found no shell to take the icon, so the window went to the
  // taskbar instead; the icon follows when a shell takes it.
  bool wanted_ = false;
};

}  // namespace app
