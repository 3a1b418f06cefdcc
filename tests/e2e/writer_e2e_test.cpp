// The Ascii writer in the real program, driven by real keystrokes and mouse
// clicks as a user drives it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/common/text.h"

using app::ControlId;
using namespace std::chrono_literals;

namespace {

using testtext::Show;

HWND FocusOf(const e2e::App& app) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(app.main(), nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool PutOnClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return false;
  ::EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (memory != nullptr) {
    if (void* p = ::GlobalLock(memory)) {
      std::memcpy(p, text.c_str(), bytes);
      ::GlobalUnlock(memory);
      ok = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!ok) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return ok;
}

// Selects everything in the focused box, as Home and Shift+End do.
void SelectAll(const e2e::App& app) {
  app.Key(VK_HOME);
  app.Key(VK_END, false, false, /*shift=*/true);
}

class WriterE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = e2e::App::Launch();
    ASSERT_NE(app_.main(), nullptr) << "the window never showed its welcome line";
  }
  std::wstring In() const { return app_.Text(ControlId::Text1); }
  std::wstring Last() const { return app_.Text(ControlId::Text2); }
  std::wstring Out() const { return app_.Text(ControlId::Text3); }

  // Keystrokes reach the program through its input queue, after anything the
  // harness can synchronise on, so each step waits for the input box to show
  // what the keys make of it; the other boxes are read only after that.
  ::testing::AssertionResult InputShows(const std::wstring& expected) const {
    if (e2e::WaitFor([&] { return In() == expected; }, 10s)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "Text1 holds " << Show(In()) << ", not " << Show(expected);
  }

  e2e::App app_;
};

TEST_F(WriterE2E, TypedCharactersAreReplacedAndTheInputEmptied) {
  app_.Click(ControlId::Text1);
  // Typing after the prompt makes a longer text: nothing happens.
  app_.Key(VK_END);
  app_.Type(L"a");
  ASSERT_TRUE(InputShows(L"Write Here for asciia"));
  EXPECT_EQ(Out(), L"");
  EXPECT_EQ(Last(), L"Text2");
  // Over the selected prompt, one character is one substitution.
  SelectAll(app_);
  app_.Type(L"a");
  ASSERT_TRUE(e2e::WaitFor([&] { return Out() == L"@"; }, 10s)) << Show(Out());
  EXPECT_EQ(In(), L"");
  EXPECT_EQ(Last(), L"@");
  EXPECT_EQ(FocusOf(app_), app_.Control(ControlId::Text1));

  app_.Type(L"b");
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() == 2; }, 10s)) << Show(Out());
  EXPECT_EQ(Show(Out()), Show(L"@\u00FE"));
  EXPECT_EQ(Show(Last()), Show(L"\u00FE"));
  EXPECT_EQ(In(), L"");

  // "/" has no rule and stays; "a" after it makes two characters.
  app_.Type(L"/a");
  ASSERT_TRUE(InputShows(L"/a"));
  EXPECT_EQ(Show(Out()), Show(L"@\u00FE"));
  // Deleting the "/" leaves "a", which is replaced at once.
  app_.Key(VK_HOME);
  app_.Key(VK_DELETE);
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() == 3; }, 10s)) << Show(Out());
  EXPECT_EQ(Show(Out()), Show(L"@\u00FE@"));
  EXPECT_EQ(In(), L"");

  // Case matters, replacements go in whole, the doubled "!" appends once,
  // and characters that stand for themselves still empty the box.
  const std::wstring expected = L"@\u00FE@\u00C5|-|{)}-{(}/\\/\\\u00A1_d7 ";
  app_.Type(L"AhHm!_d7 ");
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() >= expected.size(); }, 10s)) << Show(Out());
  EXPECT_EQ(Show(Out()), Show(expected));
  EXPECT_EQ(In(), L"");
  EXPECT_EQ(Last(), L" ");
  EXPECT_EQ(FocusOf(app_), app_.Control(ControlId::Text1));
}

TEST_F(WriterE2E, CharactersWithoutARuleStayAndDeletingToEmptyChangesNothing) {
  app_.Click(ControlId::Text1);
  SelectAll(app_);
  app_.Key(VK_DELETE);
  ASSERT_TRUE(InputShows(L""));
  const std::wstring no_rule[] = {L"/", L"|", L"\"", L"\\", L"\u00E9"};
  for (const auto& text : no_rule) {
    app_.Type(text);
    ASSERT_TRUE(InputShows(text));
    EXPECT_EQ(Last(), L"Text2") << Show(text);
    EXPECT_EQ(Out(), L"") << Show(text);
    app_.Key(VK_BACK);
    ASSERT_TRUE(InputShows(L""));
    EXPECT_EQ(Last(), L"Text2") << Show(text);
    EXPECT_EQ(Out(), L"") << Show(text);
  }
}

TEST_F(WriterE2E, PastesOfSeveralCharactersStayWhileOneCharacterIsReplaced) {
  app_.Click(ControlId::Text1);
  SelectAll(app_);
  app_.Key(VK_DELETE);
  ASSERT_TRUE(InputShows(L""));
  ASSERT_TRUE(PutOnClipboard(L"abc"));
  app_.Key('V', false, /*ctrl=*/true);
  ASSERT_TRUE(InputShows(L"abc"));
  EXPECT_EQ(Out(), L"");
  SelectAll(app_);
  app_.Key(VK_DELETE);
  ASSERT_TRUE(InputShows(L""));
  ASSERT_TRUE(PutOnClipboard(L"b"));
  app_.Key('V', false, /*ctrl=*/true);
  ASSERT_TRUE(e2e::WaitFor([&] { return !Out().empty(); }, 10s));
  EXPECT_EQ(Show(Out()), Show(L"\u00FE"));
  EXPECT_EQ(In(), L"");
}

TEST_F(WriterE2E, UserTextInTextThreeStaysAndGrowsPastOneHundredThousand) {
  // The user pastes a long text into Text3 and types after it.
  std::wstring big;
  while (big.size() < 100000) big += L"Long text of the user. ";
  big.resize(100000);
  app_.Click(ControlId::Text3);
  ASSERT_TRUE(PutOnClipboard(big));
  app_.Key('V', false, /*ctrl=*/true);
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() >= big.size(); }, 30s)) << Out().size();
  app_.Key(VK_END, false, /*ctrl=*/true);
  app_.Type(L"xyz");
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() >= 100003; }, 30s)) << Out().size();
  // Then writes with the writer: the replacements go after the user's text.
  app_.Click(ControlId::Text1);
  SelectAll(app_);
  app_.Type(L"hi");
  ASSERT_TRUE(e2e::WaitFor([&] { return Out().size() >= 100007; }, 30s)) << Out().size();
  const std::wstring out = Out();
  EXPECT_EQ(out.size(), 100007u);
  EXPECT_EQ(out.substr(0, 100), big.substr(0, 100));
  EXPECT_EQ(Show(out.substr(99995)), Show(big.substr(99995) + L"xyz|-|\u00EE"));
  EXPECT_EQ(In(), L"");
}

}  // namespace
