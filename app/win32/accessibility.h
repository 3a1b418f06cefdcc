#pragma once
// What a screen reader hears for each control: the boxes and the browser area
// by what they are for, every control in the role the system gives its kind.
#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <vector>

#include "app/inventory.h"
#include "platform/win32/apartment.h"

namespace app::win32 {

struct AccessibleName {
  app::ControlId id;
  const wchar_t* name;
};

// The controls whose own text cannot name them: a box's text is what was typed
// into it, and the browser area has none. The system would name a box after
// the label before it in the keyboard order, which here is mostly none and
// for the screen name the writer's. Buttons and labels are named by their
// captions. The table lives with the real window rather than in the inventory
// because only the real window has an accessibility layer to tell.
inline constexpr std::array kAccessibleNames{
    AccessibleName{app::ControlId::txt1, L"Status 1"},
    AccessibleName{app::ControlId::txt2, L"Status 2"},
    AccessibleName{app::ControlId::txt3, L"Status 3"},
    AccessibleName{app::ControlId::txt4, L"Status 4"},
    AccessibleName{app::ControlId::txt5, L"Status 5"},
    AccessibleName{app::ControlId::Text1, L"Text to decorate"},
    AccessibleName{app::ControlId::Text2, L"Last decoration"},
    AccessibleName{app::ControlId::Text3, L"Decorated text"},
    AccessibleName{app::ControlId::Text4, L"Screen name to check"},
    AccessibleName{app::ControlId::WebBrowser1, L"Online status page"},
};

// Null for a control the system names.
constexpr const wchar_t* AccessibleNameOf(app::ControlId id) {
  const auto* row = std::ranges::find(kAccessibleNames, id, &AccessibleName::id);
  return row == kAccessibleNames.end() ? nullptr : row->name;
}

constexpr bool EveryBoxAndTheBrowserAreNamed() {
  return std::ranges::all_of(app::kInventory, [](const app::ControlSpec& spec) {
    const bool needs_name = spec.kind == app::ControlKind::kTextBox || spec.kind == app::ControlKind::kBrowser;
    return !needs_name || AccessibleNameOf(spec.id) != nullptr;
  });
}
static_assert(EveryBoxAndTheBrowserAreNamed(), "a box without a name is read out as just \"edit\"");

// The role a kind of control announces where the program must answer for it;
// 0 leaves it to the system. Windows gives these to its edit boxes, buttons
// and text labels by itself, but Wine calls every button and label a "client"
// area. The browser area is a pane that holds a page, not a piece of text.
constexpr LONG AccessibleRole(app::ControlKind kind) {
  switch (kind) {
    case app::ControlKind::kTextBox: return ROLE_SYSTEM_TEXT;
    case app::ControlKind::kButton: return ROLE_SYSTEM_PUSHBUTTON;
    case app::ControlKind::kLabel: return ROLE_SYSTEM_STATICTEXT;
    case app::ControlKind::kBrowser: return ROLE_SYSTEM_PANE;
    default: return 0;
  }
}

// Tells the accessibility layer what each control is for. Where the system
// takes names by annotation, it is told each name once and answers for the
// control itself, through its own proxies (a screen reader then keeps its
// caret and character reading in the boxes), roles included. Where it does
// not (Wine answers E_NOTIMPL), each control with a name or a role to give
// answers with the system's own object under that name and role.
class AccessibleControls {
 public:
  // With the system's annotation service, if it has one.
  AccessibleControls();
  // With the given service; null where there is none.
  explicit AccessibleControls(Microsoft::WRL::ComPtr<IAccPropServices> annotations);
  AccessibleControls(const AccessibleControls&) = delete;
  AccessibleControls& operator=(const AccessibleControls&) = delete;

  // Every control of the table that has a window (null where it has none).
  void Describe(const std::array<HWND, app::kControlCount>& windows);
  // Answers no more, and takes the names back: the window is going.
  void Stop() noexcept;

 private:
  static LRESULT CALLBACK ControlProc(HWND control, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR self);
  // 0 when there is no answer and the control's own must do.
  LRESULT OnGetObject(HWND control, WPARAM flags, app::ControlId id);
  void Answer(HWND control, app::ControlId id);
  void ClearAnnotations() noexcept;

  // Started with the controls and ended with this object, after the message
  // loop: a screen reader may still release what it was given while the
  // window goes.
  platform::win32::ScopedCom com_;
  Microsoft::WRL::ComPtr<IAccPropServices> annotations_;
  std::vector<HWND> annotated_;
  bool ended_ = false;
};

}  // namespace app::win32
