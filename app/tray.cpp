#include "app/tray.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/frmStat.h"

namespace app {
namespace {

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

}  // namespace app

using platform::Text;

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

void frmStat::AddTrayIcon() {
  const Text tip = u"Made by Quorbelline!";
  const auto hwnd = ui_.Form().Handle();
  const auto icon = ui_.Form().IconHandle();
  const auto record = MakeTrayIconData(hwnd, app::kTrayIconId, app::kTrayFlags, app::kTrayCallbackMessage, icon, tip);
  os_.shell.Shell_NotifyIconA(platform::kNimAdd, record);
}

void frmStat::RemoveTrayIcon() {
  // Deleting an icon that was never added is harmless, so no flag is kept.
  const auto record = MakeTrayIconData(ui_.Form().Handle(), app::kTrayIconId, 0, 0, 0, u"");
  os_.shell.Shell_NotifyIconA(platform::kNimDelete, record);
}

void frmStat::Command4_Click() {
  AddTrayIcon();
  ui_.Form().SetWindowState(platform::WindowState::kMinimized);
  ui_.Form().SetVisible(false);
}

void frmStat::Form_MouseMove(std::int16_t, std::int16_t, float x, float) {
  auto& form = ui_.Form();
  if (form.IsVisible()) return;
  const float factor = form.TwipsPerPixelX();
  const auto message = app::TrayMessageFromX(x, factor);
  if (!message || *message != app::kLeftDoubleClick) return;
  form.SetVisible(true);
  form.SetWindowState(platform::WindowState::kNormal);
  std::uint32_t process_id = 0;
  os_.shell.GetWindowThreadProcessId(form.Handle(), &process_id);
  os_.shell.AppActivate(process_id);
}

void frmStat::Shell_TaskbarCreated() {
  // Only a hidden window needs its icon back: it is the user's only way in.
  if (!ui_.Form().IsVisible()) AddTrayIcon();
}
