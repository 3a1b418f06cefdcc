#include "app/inventory.h"

#include <algorithm>

namespace app {
namespace {

using enum ControlId;
using enum ControlKind;
using enum FontKind;
constexpr std::optional<platform::Rgb> kPlain{};

// Tab indexes give the keyboard order; labels and the frame hold a place in it
// but never take the focus.
// clang-format off
constexpr std::array<ControlSpec, kControlCount> kInventory{{
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
    {Winsock1, "Winsock1", kSocket, 0, 0, 0, 0, u"", kNone, kPlain, -1, 0, false},
}};
// clang-format on

constexpr bool IdsMatchPositions() {
  for (std::size_t i = 0; i < kInventory.size(); ++i) {
    if (static_cast<std::size_t>(kInventory[i].id) != i) return false;
  }
  return true;
}
static_assert(IdsMatchPositions(), "inventory rows must be in ControlId order");

}  // namespace

std::span<const ControlSpec> Inventory() { return kInventory; }

const ControlSpec& Spec(ControlId id) { return kInventory[static_cast<std::size_t>(id)]; }

std::array<ControlId, 19> TabOrder() {
  std::array<ControlId, 19> order{};
  std::size_t n = 0;
  for (const auto& spec : kInventory) {
    if (spec.tab_index >= 0 && n < order.size()) order[n++] = spec.id;
  }
  std::sort(order.begin(), order.end(), [](ControlId a, ControlId b) { return Spec(a).tab_index < Spec(b).tab_index; });
  return order;
}

int TwipsToPixels(int twips, int dpi) {
  // MulDiv(twips, dpi, 1440): rounds half away from zero.
  const long long num = static_cast<long long>(twips) * dpi;
  const long long half = 720;
  return static_cast<int>(num >= 0 ? (num + half) / 1440 : -((-num + half) / 1440));
}

}  // namespace app
