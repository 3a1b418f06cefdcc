#pragma once
// How the window and each control of the table are made, in one header of
// its own so that the start-up benchmark builds the very same window without
// linking the rest of the program.
#include <windows.h>

#include "app/inventory.h"
#include "platform/win32/handles.h"

namespace app::win32 {

inline constexpr wchar_t kWindowClass[] = L"StatusCyclerMain";
// What a later start of the program sends the first copy's window.
inline constexpr wchar_t kStartedAgainMessage[] = L"StatusCycler.StartedAgain";

// A control's window id (and a timer's id) is this plus its row.
inline constexpr int kFirstControlId = 100;

inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

struct ChildWindowKind {
  const wchar_t* cls;  // null for the kinds that have no window (timers, the socket)
  DWORD style;
  DWORD ex_style;
};

inline ChildWindowKind ChildWindowFor(app::ControlKind kind) {
  using enum app::ControlKind;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (kind) {
    case kTextBox: return {L"EDIT", kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    // Long captions wrap.
    case kButton: return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, 0};
    // One line, never wrapped: a label is sized to its caption, and a rounding
    // short of it would otherwise push the last word onto a line of its own.
    case kLabel: return {L"STATIC", kChild | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case kFrame:
    case kPicture: return {L"STATIC", kChild | SS_OWNERDRAW, 0};
    case kBrowser: return {L"STATIC", kChild | SS_OWNERDRAW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    default: return {nullptr, 0, 0};
  }
}

// MS Sans Serif as the table's font kinds ask for it, at that DPI.
inline platform::win32::Font MakeFont(int dpi, app::FontKind kind) {
  const bool bold = kind == app::FontKind::kLabelBold || kind == app::FontKind::kBoxBold;
  const int hundredths_of_point = kind == app::FontKind::kBoxBold ? 975 : 825;
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(hundredths_of_point, dpi, 7200);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  ::lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
  return platform::win32::Font(::CreateFontIndirectW(&lf));
}

}  // namespace app::win32
