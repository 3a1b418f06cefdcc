#pragma once
// The window's control inventory: one table that the real and the simulated
// window build their controls from.
#include <algorithm>
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
  Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7,
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

namespace inventory_rows {
using enum ControlId;
using enum ControlKind;
using enum FontKind;
inline constexpr std::optional<platform::Rgb> kPlain{};

// Tab indexes give the keyboard order; labels and the frame hold a place in it
// but never take the focus.
// clang-format off
inline constexpr std::array<ControlSpec, kControlCount> kInventory{{
    {txt1, "txt1", kTextBox, 120, 0, 1095, 375, u"Name", kDefault, kPlain, 0, 0, false},
    {txt2, "txt2", kTextBox, 1320, 0, 855, 375, u"Is", kDefault, kPlain, 1, 0, false},
    {txt3, "txt3", kTextBox, 2280, 0, 855, 375, u"Online", kDefault, kPlain, 2, 0, false},
    {txt4, "txt4", kTextBox, 3240, 0, 855, 375, u"For", kDefault, kPlain, 3, 0, false},
    {txt5, "txt5", kTextBox, 4200, 0, 855, 375, u"Awhile!", kDefault, kPlain, 4, 0, false},
    {Command4, "Command4", kButton, 7200, 0, 1095, 255, u"Minimize", kDefault, kPlain, 14, 0, false},
    {Label1, "Label1", kLabel, 120, 480, 855, 195, u"Welcome:", kLabelBold, kLabelTextColor, 8, 0, false},
    {Label2, "Label2", kLabel, 2055, 960, 960, 195, u"Ascii writer", kLabelBold, kPlain, 13, 0, false},
    {Label3, "Label3", kLabel, 5880, 960, 1845, 195, u"Enter Name to check", kLabelBold, kLabelTextColor, 18, 0, false},
    {Text1, "Text1", kTextBox, 120, 1200, 5055, 405, u"Write Here for ascii", kBoxBold, kPlain, 10, 0, false},
    {Text4, "Text4", kTextBox, 5280, 1200, 2895, 405, u"", kBoxBold, kPlain, 15, 0, false},
    {Image2, "Image2", kPicture, 6720, 1560, 1575, 1455, u"", kNone, kPlain, -1, 0, false},
    {Text3, "Text3", kTextBox, 120, 1680, 5055, 405, u"", kBoxBold, kPlain, 12, 0, false},
    {Command5, "Command5", kButton, 5280, 1680, 1335, 495, u"Check online/offline", kDefault, kPlain, 16, 0, false},
    {Frame1, "Frame1", kFrame, 120, 2160, 4695, 735, u"", kNone, kPlain, 9, 0, false},
    {WebBrowser1, "WebBrowser1", kBrowser, 5280, 2280, 975, 615, u"", kNone, kPlain, 17, 0, false},
    {Command1, "Command1", kButton, 360, 2400, 1095, 375, u"&Start", kDefault, kPlain, 5, 0, false},
    {Command2, "Command2", kButton, 1920, 2400, 1095, 375, u"S&top", kDefault, kPlain, 6, 0, false},
    {Command3, "Command3", kButton, 3480, 2400, 1095, 375, u"E&xit", kDefault, kPlain, 7, 0, false},
    {Text2, "Text2", kTextBox, 240, 3840, 5055, 285, u"Text2", kDefault, kPlain, 11, 0, false},
    {Image1, "Image1", kPicture, 240, 4200, 480, 480, u"", kNone, kPlain, -1, 0, false},
    {Timer1, "Timer1", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 1000, false},
    {Timer2, "Timer2", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 1000, false},
    {Timer3, "Timer3", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 1000, false},
    {Timer4, "Timer4", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 1000, false},
    {Timer5, "Timer5", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 1000, false},
    {Timer6, "Timer6", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 100, true},
    // Asks a busy shell once more whether it took the icon after all.
    {Timer7, "Timer7", kTimer, 0, 0, 0, 0, u"", kNone, kPlain, -1, 2000, false},
    {Winsock1, "Winsock1", kSocket, 0, 0, 0, 0, u"", kNone, kPlain, -1, 0, false},
}};
// clang-format on

}  // namespace inventory_rows

// In order from the top of the window downwards, one row per ControlId.
inline constexpr const std::array<ControlSpec, kControlCount>& kInventory = inventory_rows::kInventory;

constexpr bool RowsInControlIdOrder() {
  for (std::size_t i = 0; i < kInventory.size(); ++i) {
    if (static_cast<std::size_t>(kInventory[i].id) != i) return false;
  }
  return true;
}
static_assert(RowsInControlIdOrder(), "inventory rows must be in ControlId order");

inline std::span<const ControlSpec> Inventory() { return kInventory; }
constexpr const ControlSpec& Spec(ControlId id) { return kInventory[static_cast<std::size_t>(id)]; }

// How many controls hold a place in the keyboard order, those that never take
// the focus included.
inline constexpr std::size_t kTabStops =
    static_cast<std::size_t>(std::ranges::count_if(kInventory, [](const ControlSpec& s) { return s.tab_index >= 0; }));

// Controls in keyboard (tab) order.
constexpr std::array<ControlId, kTabStops> TabOrder() {
  std::array<ControlId, kTabStops> order{};
  std::size_t n = 0;
  for (const auto& spec : kInventory) {
    if (spec.tab_index >= 0) order[n++] = spec.id;
  }
  std::ranges::sort(order, {}, [](ControlId id) { return Spec(id).tab_index; });
  return order;
}

constexpr bool TabIndexesNumberTheStops() {
  const auto order = TabOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (Spec(order[i]).tab_index != static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(TabIndexesNumberTheStops(), "tab indexes must number the keyboard order 0, 1, 2, ... once each");

// Twips to pixels at the given DPI, rounded to nearest as MulDiv does.
constexpr int TwipsToPixels(int twips, int dpi) {
  // MulDiv(twips, dpi, 1440): rounds half away from zero.
  const long long num = static_cast<long long>(twips) * dpi;
  const long long half = 720;
  return static_cast<int>(num >= 0 ? (num + half) / 1440 : -((-num + half) / 1440));
}

}  // namespace app
