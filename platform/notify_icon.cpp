#include "platform/os.h"

namespace platform {

std::array<std::uint8_t, NotifyIconData::kBytes> PackNotifyIconData(const NotifyIconData& data, const Ansi& ansi) {
  std::array<std::uint8_t, NotifyIconData::kBytes> out{};
  std::size_t at = 0;
  for (std::uint32_t field : {data.cbSize, data.hWnd, data.uID, data.uFlags, data.uCallbackMessage, data.hIcon}) {
    for (int shift = 0; shift < 32; shift += 8) out[at++] = static_cast<std::uint8_t>(field >> shift);
  }
  const std::string tip = ansi.ToAnsi(data.szTip);
  for (std::size_t i = 0; i < NotifyIconData::kTipChars && i < tip.size(); ++i) {
    out[at + i] = static_cast<std::uint8_t>(tip[i]);
  }
  return out;
}

}  // namespace platform
