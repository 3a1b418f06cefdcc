#include "app/tray_icon.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace app {
namespace {

constexpr std::u16string_view kTrayTip = u"Made by Quorbelline!";

std::optional<std::int32_t> RoundToInt32(float value) {
  if (!std::isfinite(value)) return std::nullopt;
  // Nearest, a tie going to the even neighbour, worked out by hand: the
  // rounding mode of the thread is shared with whatever else runs on it (a
  // hosted control may change it), so it is neither trusted nor touched.
  const double exact = value;
  double rounded = std::floor(exact);
  const double fraction = exact - rounded;  // exact: a float has 24 significant bits
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

std::optional<std::int32_t> TrayMessageFromX(float x_twips, float twips_per_pixel) {
  const auto x = RoundToInt32(x_twips);
  const auto factor = RoundToInt32(twips_per_pixel);
  if (!x || !factor || *factor == 0) return std::nullopt;
  if (*x == std::numeric_limits<std::int32_t>::min() && *factor == -1) return std::nullopt;
  return *x / *factor;
}

float TwipsPerPixelForDpi(int dpi) {
  constexpr int kTwipsPerInch = 1440;
  if (dpi <= 0) return 15.0f;
  return static_cast<float>(std::max(1, kTwipsPerInch / dpi));
}

platform::NotifyIconData TrayIcon::MakeTrayIconData(std::uint32_t hwnd, std::uint32_t id, std::uint32_t flags,
                                                    std::uint32_t callback_message, std::uint32_t icon,
                                                    platform::TextView tip) {
  platform::NotifyIconData data;
  data.cbSize = platform::NotifyIconData::kBytes;
  data.hWnd = hwnd;
  data.uID = id;
  data.uFlags = flags;
  data.uCallbackMessage = callback_message;
  data.hIcon = icon;
  platform::Text field(tip);
  field.push_back(u'\0');
  field.resize(platform::NotifyIconData::kTipChars, u' ');
  data.szTip = std::move(field);
  return data;
}

platform::NotifyIconData TrayIcon::Record() {
  auto& form = ui_.Form();
  return MakeTrayIconData(form.Handle(), kTrayIconId, kTrayFlags, kTrayCallbackMessage, form.IconHandle(), kTrayTip);
}

bool TrayIcon::Show() {
  const auto record = Record();
  // The icon stays after a restore, so a later Minimize finds it there: adding
  // it again fails, and updating it is what shows it is there.
  return shell_.Shell_NotifyIconA(platform::kNimAdd, record) != 0 ||
         shell_.Shell_NotifyIconA(platform::kNimModify, record) != 0;
}

void TrayIcon::Wait() {
  wanted_ = true;
  ui_.Timer(ControlId::Timer7).SetEnabled(true);
}

void TrayIcon::Minimize() {
  auto& form = ui_.Form();
  const bool shown = Show();
  form.SetWindowState(platform::WindowState::kMinimized);
  // Hidden without an icon, the window could only be ended by killing the
  // process.
  wanted_ = false;
  if (!shown) return Wait();
  form.SetVisible(false);
}

void TrayIcon::Callback(float x) {
  auto& form = ui_.Form();
  if (form.IsVisible()) return;
  const auto message = TrayMessageFromX(x, form.TwipsPerPixelX());
  if (message && *message == kLeftDoubleClick) Restore();
}

void TrayIcon::Restore() {
  auto& form = ui_.Form();
  form.SetVisible(true);
  form.SetWindowState(platform::WindowState::kNormal);
  std::uint32_t process_id = 0;
  shell_.GetWindowThreadProcessId(form.Handle(), &process_id);
  shell_.AppActivate(process_id);
}

void TrayIcon::ShellRestarted() {
  auto& form = ui_.Form();
  // A hidden window needs its icon back: it is the user's only way in. A
  // window that Minimize had to leave on the taskbar goes where it was sent,
  // unless the user has brought it back meanwhile.
  const bool hidden = !form.IsVisible();
  const bool wanted = std::exchange(wanted_, false);
  if (!hidden && !(wanted && form.GetWindowState() == platform::WindowState::kMinimized)) return;
  if (Show()) {
    if (!hidden) form.SetVisible(false);
    return;
  }
  // This shell took no icon either: the window waits on the taskbar.
  if (hidden) form.SetVisible(true);
  Wait();
}

void TrayIcon::AskAgain() {
  ui_.Timer(ControlId::Timer7).SetEnabled(false);
  auto& form = ui_.Form();
  // Only a window still waiting where Minimize left it goes behind the icon.
  if (!wanted_ || !form.IsVisible() || form.GetWindowState() != platform::WindowState::kMinimized) return;
  if (shell_.Shell_NotifyIconA(platform::kNimModify, Record()) == 0) return;
  wanted_ = false;
  form.SetVisible(false);
}

void TrayIcon::Remove(platform::Shell& shell, platform::Hwnd window) noexcept {
  try {
    shell.Shell_NotifyIconA(platform::kNimDelete, MakeTrayIconData(window, kTrayIconId, 0, 0, 0, u""));
  } catch (...) {
    // Called on the way down, a crash's included: nothing more to be done.
  }
}

}  // namespace app
