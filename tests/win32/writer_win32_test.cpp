// The Ascii writer on the real edit controls of the real window, in this
// process: what the controls do with the change event, with Unicode text and
// with long text is the system's, not a simulation's.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "writer/ascii_rules.h"
#include "tests/common/message_boxes.h"
#include "tests/common/text.h"

namespace {

using app::ControlId;

std::wstring Text(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

using testtext::Show;

// One change notification of Text1 as the window received it.
struct ChangeSeen {
  std::wstring text;  // Text1's text at that moment
  int depth;          // 1 for a change from outside, 2 for one raised inside it
};

class WriterOnRealControls : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<appwin::MainWindow>(::GetModuleHandleW(nullptr));
    ASSERT_TRUE(window_->Create(SW_SHOW));
    ::SetForegroundWindow(window_->hwnd());
    in_ = window_->control(ControlId::Text1);
    last_ = window_->control(ControlId::Text2);
    out_ = window_->control(ControlId::Text3);
    Pump();
  }

  void TearDown() override {
    if (original_proc_ != nullptr && window_->hwnd() != nullptr) {
      ::SetWindowLongPtrW(window_->hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    }
    Pump();
    window_.reset();
    current_ = nullptr;
  }

  // Runs what is queued; the message boxes it shows are answered and kept.
  void Pump() {
    MSG msg;
    for (int round = 0; round < 20; ++round) {
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (window_->PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      ::Sleep(10);
    }
    errors_ = boxes_.texts();
  }

  // The user empties the input box, as a select-all and delete would.
  void ClearInput() { ::SetWindowTextW(in_, L""); }

  // A typed character, delivered as the keyboard's WM_CHAR to the box.
  void TypeChar(wchar_t c) { ::SendMessageW(in_, WM_CHAR, c, 1); }

  // Records Text1's change notifications on their way into the window.
  void WatchChanges() {
    current_ = this;
    original_proc_ =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(window_->hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy)));
  }

  static LRESULT CALLBACK Spy(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = current_;
    const bool change = msg == WM_COMMAND && HIWORD(wparam) == EN_CHANGE && reinterpret_cast<HWND>(lparam) == self->in_;
    if (change) {
      ++self->depth_;
      self->changes_.push_back({Text(self->in_), self->depth_});
    }
    const LRESULT result = ::CallWindowProcW(self->original_proc_, hwnd, msg, wparam, lparam);
    if (change) --self->depth_;
    return result;
  }

  static inline WriterOnRealControls* current_ = nullptr;
  std::unique_ptr<appwin::MainWindow> window_;
  HWND in_ = nullptr, last_ = nullptr, out_ = nullptr;
  WNDPROC original_proc_ = nullptr;
  int depth_ = 0;
  std::vector<ChangeSeen> changes_;
  testwin::MessageBoxes boxes_;
  std::vector<std::wstring> errors_;
};

TEST_F(WriterOnRealControls, EmptyingTheInputRaisesANestedChangeThatAppendsNothing) {
  ClearInput();
  WatchChanges();
  TypeChar(L'a');
  ASSERT_EQ(changes_.size(), 2u);
  EXPECT_EQ(changes_[0].text, L"a");
  EXPECT_EQ(changes_[0].depth, 1);
  // The writer's own emptying is delivered while its run is still going on.
  EXPECT_EQ(changes_[1].text, L"");
  EXPECT_EQ(changes_[1].depth, 2);
  EXPECT_EQ(Text(in_), L"");
  EXPECT_EQ(Text(last_), L"@");
  EXPECT_EQ(Text(out_), L"@");
  EXPECT_EQ(::GetFocus(), in_);
  Pump();
  EXPECT_TRUE(errors_.empty());
}

TEST_F(WriterOnRealControls, ProgramSetTextRaisesTheChangeBeforeReturning) {
  // Setting the text from code reaches the handler synchronously, as typing does.
  ::SetWindowTextW(in_, L"b");
  EXPECT_EQ(Text(in_), L"");
  EXPECT_EQ(Show(Text(out_)), Show(L"\u00FE"));
  ::SetWindowTextW(in_, L"/");
  ::SetWindowTextW(in_, L"/a");
  EXPECT_EQ(Text(in_), L"/a");
  EXPECT_EQ(Show(Text(out_)), Show(L"\u00FE"));
  // Deleting the "/" leaves "a", which is substituted.
  ::SendMessageW(in_, EM_SETSEL, 0, 1);
  ::SendMessageW(in_, WM_CHAR, VK_BACK, 1);
  EXPECT_EQ(Text(in_), L"");
  EXPECT_EQ(Show(Text(out_)), Show(L"\u00FE@"));
}

TEST_F(WriterOnRealControls, EveryReplacementReadsBackFromTextTwoUnchanged) {
  // The boxes are Unicode windows: nothing passes through an ANSI code page.
  for (HWND box : {in_, last_, out_}) EXPECT_TRUE(::IsWindowUnicode(box));
  ClearInput();
  std::wstring expected_out;
  int number = 0;
  for (const auto& rule : writer::AsciiRules()) {
    ++number;
    const std::wstring replacement = Wide(rule.replacement);
    TypeChar(static_cast<wchar_t>(rule.key));
    // The second "!" rule never applies: the first one has emptied the box.
    expected_out += number == 67 ? Wide(u"\u00A1") : replacement;
    ASSERT_EQ(Text(in_), L"") << "rule " << number;
    EXPECT_EQ(Show(Text(last_)), Show(replacement)) << "rule " << number;
    // Read back character by character through the box itself as well.
    std::wstring read(16, L'\0');
    const auto got = ::SendMessageW(last_, WM_GETTEXT, read.size(), reinterpret_cast<LPARAM>(read.data()));
    read.resize(static_cast<std::size_t>(got));
    EXPECT_EQ(read, replacement) << "rule " << number;
  }
  EXPECT_EQ(Show(Text(out_)), Show(expected_out));
  EXPECT_EQ(::GetFocus(), in_);
}

TEST_F(WriterOnRealControls, BoxesAcceptTypingPastTheDefaultLimit) {
  // Without EM_SETLIMITTEXT 0 an edit control refuses typing at about 32,000
  // characters; a freshly made one shows the limit the boxes must not have.
  const HWND plain = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 50, 20, window_->hwnd(),
                                       nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(plain, nullptr);
  const auto default_limit = static_cast<std::size_t>(::SendMessageW(plain, EM_GETLIMITTEXT, 0, 0));
  ::DestroyWindow(plain);
  EXPECT_LT(default_limit, 100000u);

  for (const auto& spec : app::Inventory()) {
    if (spec.kind != app::ControlKind::kTextBox) continue;
    const auto limit = static_cast<std::size_t>(::SendMessageW(window_->control(spec.id), EM_GETLIMITTEXT, 0, 0));
    EXPECT_GE(limit, 0x7FFFFFFEu) << spec.name;
  }

  // The user's own text in Text3, longer than any default limit, then typing
  // into Text3 itself, then an append from the writer.
  std::wstring big;
  while (big.size() < 100000) big += L"abcdefghij";
  ::SetWindowTextW(out_, big.c_str());
  ::SendMessageW(out_, EM_SETSEL, big.size(), big.size());
  for (wchar_t c : std::wstring(L"xyz")) ::SendMessageW(out_, WM_CHAR, c, 1);
  ASSERT_EQ(static_cast<std::size_t>(::GetWindowTextLengthW(out_)), 100003u);
  // A paste of several lines' worth at the end.
  ::SendMessageW(out_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(big.c_str()));
  ASSERT_EQ(static_cast<std::size_t>(::GetWindowTextLengthW(out_)), 200003u);
  ClearInput();
  TypeChar(L'h');
  const std::wstring text = Text(out_);
  ASSERT_EQ(text.size(), 200006u);
  EXPECT_EQ(text.substr(100000, 3), L"xyz");
  EXPECT_EQ(text.substr(200003), L"|-|");
  Pump();
  EXPECT_TRUE(errors_.empty());
}

TEST_F(WriterOnRealControls, AppendCutShortByALimitIsReportedNotSilent) {
  ::SendMessageW(out_, EM_SETLIMITTEXT, 5, 0);
  ::SetWindowTextW(out_, L"abc");
  ClearInput();
  TypeChar(L'H');  // seven characters into room for two
  EXPECT_EQ(Text(out_), L"abc{)");
  Pump();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find(L"whole text"), std::wstring::npos);
}

TEST_F(WriterOnRealControls, UserTextInTextThreeStaysAndAppendsGoAfterIt) {
  ::SetWindowTextW(out_, L"mine ");
  // The user leaves the caret, or a selection, in the middle of Text3.
  ::SendMessageW(out_, EM_SETSEL, 1, 3);
  ClearInput();
  TypeChar(L'a');
  TypeChar(L'b');
  EXPECT_EQ(Show(Text(out_)), Show(L"mine @\u00FE"));
  EXPECT_EQ(Show(Text(last_)), Show(L"\u00FE"));
}

TEST_F(WriterOnRealControls, FailingFocusEndsTheRunWithTheAppendDone) {
  ClearInput();
  // A hidden window cannot give a box the focus: the last step fails.
  ::ShowWindow(window_->hwnd(), SW_HIDE);
  TypeChar(L'a');
  EXPECT_EQ(Text(in_), L"");
  EXPECT_EQ(Text(last_), L"@");
  EXPECT_EQ(Text(out_), L"@");
  Pump();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find(L"focus"), std::wstring::npos);
  // Shown again, the writer carries on.
  ::ShowWindow(window_->hwnd(), SW_SHOW);
  TypeChar(L'b');
  EXPECT_EQ(Show(Text(out_)), Show(L"@\u00FE"));
  EXPECT_EQ(::GetFocus(), in_);
}

TEST_F(WriterOnRealControls, TextWithoutARuleStaysAndChangesNothing) {
  ::SetWindowTextW(out_, L"kept");
  for (const wchar_t* text : {L"/", L"|", L"\"", L"\\", L"\u00E9", L"abc", L"Write Here for ascii"}) {
    ::SetWindowTextW(in_, text);
    EXPECT_EQ(Text(in_), text) << Show(text);
    EXPECT_EQ(Text(last_), L"Text2") << Show(text);
    EXPECT_EQ(Text(out_), L"kept") << Show(text);
  }
  // Deleting the last character: the empty text matches nothing either.
  ::SetWindowTextW(in_, L"|");
  ::SendMessageW(in_, EM_SETSEL, 0, -1);
  ::SendMessageW(in_, WM_CHAR, VK_BACK, 1);
  EXPECT_EQ(Text(in_), L"");
  EXPECT_EQ(Text(last_), L"Text2");
  EXPECT_EQ(Text(out_), L"kept");
}

}  // namespace
