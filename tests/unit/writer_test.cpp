// The Ascii writer over simulated boxes whose change event is raised
// synchronously and re-entrantly, as the real edit control raises it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "writer/ascii_rules.h"
#include "tests/common/text.h"

using app::ControlId;
using platform::Text;

namespace {

using testtext::Show;

// The writer as a user meets it: started, with the prompt in the input box.
struct Writer {
  sim::SimApp app;
  Writer() {
    app.Load();
    app.ui.faults.ClearJournal();
  }
  sim::SimTextBox& input() { return app.ui.box(ControlId::Text1); }
  Text In() { return app.ui.box(ControlId::Text1).GetText(); }
  Text Last() { return app.ui.box(ControlId::Text2).GetText(); }
  Text Out() { return app.ui.box(ControlId::Text3).GetText(); }
  // The user selects everything in the input box and deletes it.
  void Clear() { input().UserSets(u""); }
  // The user types one character at the end of what the input box holds.
  void Type(char16_t c) { input().UserSets(In() + c); }
  void Type(const Text& text) {
    for (char16_t c : text) Type(c);
  }
};

// ---- the table on its own -------------------------------------------------

TEST(AsciiRules, HoldsNinetyTwoRulesOverNinetyOneKeysWithOnlyBangTwice) {
  const auto& rules = writer::AsciiRules();
  ASSERT_EQ(rules.size(), 92u);
  std::set<char16_t> keys;
  std::vector<std::size_t> bang_rules;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    keys.insert(rules[i].key);
    if (rules[i].key == u'!') bang_rules.push_back(i + 1);
  }
  EXPECT_EQ(keys.size(), 91u);
  EXPECT_EQ(bang_rules, (std::vector<std::size_t>{28, 67}));
  EXPECT_EQ(rules[27].replacement, rules[66].replacement);
}

TEST(AsciiRules, EveryPrintableCharacterButFourHasARule) {
  std::set<char16_t> keys;
  for (const auto& rule : writer::AsciiRules()) keys.insert(rule.key);
  Text missing;
  for (char16_t c = 0x20; c <= 0x7E; ++c) {
    if (!keys.count(c)) missing += c;
  }
  EXPECT_EQ(missing, u"\"/\\|");
  EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [](char16_t k) { return k >= 0x20 && k <= 0x7E; }));
}

TEST(AsciiRules, KeysComeInTheOrderTheyAreTested) {
  // Lower case, space and "!", digits with 0 last, upper case, then the signs.
  const Text order = u"abcdefghijklmnopqrstuvwxyz !1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ~`!@#$%^&*()-_+=[]{}:;',.<>?";
  Text keys;
  for (const auto& rule : writer::AsciiRules()) keys += rule.key;
  EXPECT_EQ(Show(keys), Show(order));
}

TEST(AsciiRules, ReplacementsAreOneToSevenCharactersOfLatinOneWithoutControls) {
  std::size_t same_as_key = 0;
  Text with_braces;
  for (const auto& rule : writer::AsciiRules()) {
    SCOPED_TRACE(Show(Text(1, rule.key)));
    EXPECT_GE(rule.replacement.size(), 1u);
    EXPECT_LE(rule.replacement.size(), 7u);
    for (char16_t c : rule.replacement) {
      EXPECT_TRUE((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) << static_cast<unsigned>(c);
    }
    if (rule.replacement == Text(1, rule.key)) ++same_as_key;
    if (rule.replacement.find(u'{') != std::u16string_view::npos) with_braces += rule.key;
  }
  EXPECT_EQ(same_as_key, 40u);
  EXPECT_EQ(Show(with_braces), "HKMN^()[]{}");
}

TEST(AsciiRules, SpotChecksAgainstTheCodePoints) {
  const std::pair<char16_t, Text> checks[] = {
      {u'a', u"\u0040"},
      {u'b', u"\u00FE"},
      {u'h', u"\u007C\u002D\u007C"},
      {u'm', u"\u002F\u005C\u002F\u005C"},
      {u'x', u"\u00D7"},
      {u'B', u"\u00DF"},
      {u'F', u"\u00AB\u0046\u00BB"},
      {u'H', u"\u007B\u0029\u007D\u002D\u007B\u0028\u007D"},
      {u'N', u"\u007B\u005D\u007D\u005C\u007B\u005B\u007D"},
      {u'R', u"\u00B0\u0052\u00B0"},
      {u'W', u"\u005C\u0058\u002F"},
      {u'@', u"\u00E4"},
      {u'?', u"\u00BF"},
      {u'`', u"\u0060"},
  };
  const auto& rules = writer::AsciiRules();
  for (const auto& check : checks) {
    const char16_t key = check.first;
    const Text& expected = check.second;
    const auto it = std::find_if(rules.begin(), rules.end(), [&](const auto& r) { return r.key == key; });
    ASSERT_NE(it, rules.end()) << Show(Text(1, key));
    EXPECT_EQ(Show(Text(it->replacement)), Show(expected)) << Show(Text(1, key));
  }
}

// ---- the change procedure -------------------------------------------------

TEST(AsciiWriter, EveryKeyAppendsItsFirstRulesReplacementOnceAndEmptiesTheInput) {
  Writer w;
  w.Clear();
  Text expected_out;
  std::set<char16_t> seen;
  for (const auto& rule : writer::AsciiRules()) {
    // Of a repeated key only the first rule counts; typing it again is the
    // same keystroke, checked by the duplicate-key test below.
    if (!seen.insert(rule.key).second) continue;
    SCOPED_TRACE(Show(Text(1, rule.key)));
    w.app.ui.focus = "Command1";
    w.Type(rule.key);
    expected_out += rule.replacement;
    EXPECT_EQ(w.In(), u"");
    EXPECT_EQ(Show(w.Last()), Show(Text(rule.replacement)));
    ASSERT_EQ(Show(w.Out()), Show(expected_out));
    EXPECT_EQ(w.app.ui.focus, "Text1");
  }
  EXPECT_TRUE(w.app.errors_shown.empty());
}

TEST(AsciiWriter, KeysAreCaseSensitiveAndReplacementsKeptWhole) {
  const std::pair<Text, Text> cases[] = {
      {u"a", u"@"},      {u"@", u"\u00E4"}, {u"A", u"\u00C5"}, {u"f", u"F"},      {u"F", u"\u00ABF\u00BB"},
      {u"l", u"\u00A3"}, {u"L", u"\u00A3"}, {u"h", u"|-|"},    {u"m", u"/\\/\\"}, {u"H", u"{)}-{(}"},
      {u"(", u"{(}"},    {u"d", u"d"},      {u"7", u"7"},      {u" ", u" "},      {u"_", u"_"},
      {u"?", u"\u00BF"},
  };
  for (const auto& [typed, appended] : cases) {
    Writer w;
    w.Clear();
    w.app.ui.box(ControlId::Text3).UserSets(u"x");
    w.Type(typed);
    EXPECT_EQ(Show(w.Out()), Show(u"x" + appended)) << Show(typed);
    EXPECT_EQ(w.In(), u"") << Show(typed);
    EXPECT_EQ(w.app.ui.focus, "Text1") << Show(typed);
  }
}

TEST(AsciiWriter, DuplicateBangRuleAppendsOneInvertedMark) {
  Writer w;
  w.Clear();
  w.app.ui.faults.ClearJournal();
  w.Type(u'!');
  EXPECT_EQ(Show(w.Out()), Show(u"\u00A1"));
  EXPECT_EQ(w.app.ui.faults.Count("Text2.SetText"), 1);
  EXPECT_EQ(w.app.ui.faults.Count("Text3.AppendText"), 1);
  EXPECT_EQ(w.app.ui.faults.Count("Text1.SetFocus"), 1);
}

TEST(AsciiWriter, TextWithoutARuleStaysAndNothingElseChanges) {
  const Text cases[] = {
      u"\"",         u"/",           u"\\",     u"|",      u"\u00E9",
      u"\u00A1",     u"\u00FE",      u"\u20AC", u"\t",     u"\n",
      u"\r",         u"\u007F",      u"\u0080", u"\u00A0", u"\uFF41" /* full-width a */,
      u"\U0001F600", Text(1, u'\0'), u"aa",     u"ab",     u"a ",
      u" a",         u"/a",          u"!!",     u"abc",    u"Write Here for ascii",
  };
  for (const auto& text : cases) {
    Writer w;
    w.app.ui.box(ControlId::Text3).UserSets(u"kept");
    w.app.ui.faults.ClearJournal();
    w.input().UserSets(text);
    EXPECT_EQ(Show(w.In()), Show(text));
    EXPECT_EQ(w.Last(), u"Text2") << Show(text);
    EXPECT_EQ(w.Out(), u"kept") << Show(text);
    EXPECT_EQ(w.app.ui.faults.Count("Text1.SetFocus"), 0) << Show(text);
    EXPECT_EQ(w.app.ui.focus, "txt1") << Show(text);
  }
}

TEST(AsciiWriter, InputOfSeveralCharactersAppendsNothingUntilOneIsLeft) {
  Writer w;
  w.Clear();
  w.Type(u'/');
  EXPECT_EQ(w.In(), u"/");
  w.Type(u'a');
  EXPECT_EQ(w.In(), u"/a");
  EXPECT_EQ(w.Out(), u"");
  w.Type(u'b');
  EXPECT_EQ(w.In(), u"/ab");
  // Deleting back to one character with a rule substitutes it.
  w.input().UserSets(u"/a");
  EXPECT_EQ(w.Out(), u"");
  w.input().UserSets(u"a");  // the "/" deleted
  EXPECT_EQ(w.In(), u"");
  EXPECT_EQ(w.Out(), u"@");
  EXPECT_EQ(w.Last(), u"@");
}

TEST(AsciiWriter, PasteOfSeveralCharactersStaysWhileOneCharacterPasteSubstitutes) {
  Writer w;
  w.Clear();
  w.input().UserSets(u"abc");
  EXPECT_EQ(w.In(), u"abc");
  EXPECT_EQ(w.Out(), u"");
  EXPECT_EQ(w.Last(), u"Text2");
  w.Clear();
  w.input().UserSets(u"b");
  EXPECT_EQ(w.In(), u"");
  EXPECT_EQ(Show(w.Out()), Show(u"\u00FE"));
}

TEST(AsciiWriter, DeletingTheLastCharacterChangesNothing) {
  Writer w;
  w.Clear();
  w.Type(u'|');
  w.app.ui.faults.ClearJournal();
  w.input().UserSets(u"");
  const std::vector<std::string> only_reads(92, "Text1.GetText");
  EXPECT_EQ(w.app.ui.faults.journal(), only_reads);
  EXPECT_EQ(w.In(), u"");
  EXPECT_EQ(w.Last(), u"Text2");
  EXPECT_EQ(w.Out(), u"");
}

TEST(AsciiWriter, PromptAtStartMatchesNothingUntilReplacedByOneCharacter) {
  Writer w;
  EXPECT_EQ(w.In(), u"Write Here for ascii");
  EXPECT_EQ(w.Last(), u"Text2");
  EXPECT_EQ(w.Out(), u"");
  w.Type(u'a');
  EXPECT_EQ(w.In(), u"Write Here for asciia");
  EXPECT_EQ(w.Out(), u"");
  // Select the whole prompt and type over it.
  w.input().UserSets(u"a");
  EXPECT_EQ(w.In(), u"");
  EXPECT_EQ(w.Out(), u"@");
}

TEST(AsciiWriter, ReplacementsFollowUserTextInOutputInTypingOrder) {
  Writer w;
  w.Clear();
  w.app.ui.box(ControlId::Text3).UserSets(u"mine: ");
  w.Type(u"ab");
  EXPECT_EQ(Show(w.Last()), Show(u"\u00FE"));
  EXPECT_EQ(Show(w.Out()), Show(u"mine: @\u00FE"));
  w.app.ui.box(ControlId::Text3).UserSets(w.Out() + u"|");
  w.Type(u"Hi!");
  EXPECT_EQ(Show(w.Out()), Show(u"mine: @\u00FE|{)}-{(}\u00EE\u00A1"));
  EXPECT_EQ(Show(w.Last()), Show(u"\u00A1"));
}

TEST(AsciiWriter, EveryRuleIsTestedAgainstTheInputReadAfreshAndTheNestedRunChangesNothing) {
  // "a" matches the first rule: the emptying re-enters the procedure, whose
  // 92 tests all read the empty input, then the outer run finishes its steps
  // and still reads the input for each of the 91 rules after the match.
  std::vector<std::string> expected{"Text1.GetText", "Text2.SetText", "Text1.SetText"};
  expected.insert(expected.end(), 92, "Text1.GetText");
  expected.insert(expected.end(), {"Text2.GetText", "Text3.AppendText", "Text1.SetFocus"});
  expected.insert(expected.end(), 91, "Text1.GetText");
  Writer w;
  w.Clear();
  w.app.ui.faults.ClearJournal();
  w.input().UserSets(u"a");
  EXPECT_EQ(w.app.ui.faults.journal(), expected);

  // "?" matches only the last rule.
  expected.assign(92, "Text1.GetText");
  expected.insert(expected.end(), {"Text2.SetText", "Text1.SetText"});
  expected.insert(expected.end(), 92, "Text1.GetText");
  expected.insert(expected.end(), {"Text2.GetText", "Text3.AppendText", "Text1.SetFocus"});
  w.app.ui.faults.ClearJournal();
  w.input().UserSets(u"?");
  EXPECT_EQ(w.app.ui.faults.journal(), expected);
}

TEST(AsciiWriter, FailingStepEndsTheRunWithEarlierStepsDone) {
  struct Case {
    const char* failing_op;
    Text in, last, out;
  };
  const Case cases[] = {
      {"Text2.SetText", u"h", u"Text2", u"x"},  {"Text1.SetText", u"h", u"|-|", u"x"},
      {"Text2.GetText", u"", u"|-|", u"x"},     {"Text3.AppendText", u"", u"|-|", u"x"},
      {"Text1.SetFocus", u"", u"|-|", u"x|-|"},
  };
  for (const auto& c : cases) {
    Writer w;
    w.Clear();
    w.app.ui.box(ControlId::Text3).UserSets(u"x");
    w.app.ui.faults.FailNth(c.failing_op, 1);
    const int reads_before = w.app.ui.faults.Count("Text1.GetText");
    w.input().UserSets(u"h");
    const int reads = w.app.ui.faults.Count("Text1.GetText") - reads_before;
    EXPECT_EQ(w.In(), c.in) << c.failing_op;
    EXPECT_EQ(w.Last(), c.last) << c.failing_op;
    EXPECT_EQ(w.Out(), c.out) << c.failing_op;
    EXPECT_EQ(w.app.errors_shown, std::vector<std::string>{std::string(c.failing_op) + " failed"});
    // No test after the failing step ran: the reads stop at rule 8 (plus the
    // nested run's 92 once the input was emptied).
    const bool emptied = c.in.empty();
    EXPECT_EQ(reads, 8 + (emptied ? 92 : 0)) << c.failing_op;
    // The next keystroke works as ever.
    w.Clear();
    w.Type(u'a');
    EXPECT_EQ(w.Out(), c.out + u"@") << c.failing_op;
    EXPECT_EQ(w.app.ui.focus, "Text1") << c.failing_op;
  }
}

}  // namespace
