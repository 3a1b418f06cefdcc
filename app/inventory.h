#pragma once
// The window's control inventory: one table that the Win32 layer builds the
// real controls from and that the tests check against.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/ui.h"

namespace app {

// clang-format off
enum class ControlId : std::uint8_t {
  txt1, txt2, txt3, txt4, txt5,
  Command4,
  Label1, Label2, Label3,
  Text1, Text4,
  Image2,
  Text3,
  Command5,
  Frame1,
  WebBrowser1,
  Command1, Command2, Command3,
  Text2,
  Image1,
  Timer1, Timer2, Timer3, Timer4, Timer5, Timer6,
  Winsock1,
};
// clang-format on
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::Winsock1) + 1;

enum class ControlKind : std::uint8_t { kTextBox, kButton, kLabel, kPicture, kFrame, kBrowser, kTimer, kSocket };

enum class FontKind : std::uint8_t {
  kDefault,    // the window's ordinary font
  kLabelBold,  // MS Sans Serif 8.25 pt bold
  kBoxBold,    // MS Sans Serif 9.75 pt bold
  kNone,       // no text to draw
};

struct ControlSpec {
  ControlId id;
  std::string_view name;
  ControlKind kind;
  int left, top, width, height;  // twips from the client area's top-left
  std::u16string_view text;      // caption or content at creation
  FontKind font;
  std::optional<platform::Rgb> text_color;
  int tab_index;          // -1: not in the keyboard order
  int timer_interval_ms;  // timers only
  bool timer_enabled;     // timers only
};

inline constexpr int kClientWidthTwips = 8265;
inline constexpr int kClientHeightTwips = 2985;
inline constexpr platform::Rgb kFormBackColor{81, 46, 124};
inline constexpr platform::Rgb kLabelTextColor{192, 192, 0};
inline constexpr std::u16string_view kInitialCaption = u"Scroll";

// In order from the top of the window downwards.
std::span<const ControlSpec> Inventory();
const ControlSpec& Spec(ControlId id);

// Controls in keyboard (tab) order, those that never take the focus included.
std::array<ControlId, 19> TabOrder();

// Twips to pixels at the given DPI, rounded to nearest as MulDiv does.
int TwipsToPixels(int twips, int dpi);

}  // namespace app
