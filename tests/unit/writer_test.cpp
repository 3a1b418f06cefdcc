// The Ascii writer over boxes that raise their change re-entrantly, as the real edit control does.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/sim/sim_app.h"
#include "tests/common/text.h"
#include "writer/ascii_rules.h"

using app::ControlId;
using platform::Text;
using testtext::Show;

namespace {

// The writer with "x" already in its output and the focus elsewhere.
struct Writer {
  app::sim::SimApp app;
  explicit Writer(const char* failing_op = "") {
    app.ui.Box(ControlId::Text3).UserSets(u"x");
    app.ui.faults.FailNth(failing_op, 1);
  }
  // "<input>|<last replacement>|<output>", as the three boxes read.
  std::string Put(const Text& text) {
    app.ui.Box(ControlId::Text1).UserSets(text);
    const auto read = [&](ControlId id) { return app.ui.Box(id).GetText(); };
    return Show(read(ControlId::Text1) + u"|" + read(ControlId::Text2) + u"|" + read(ControlId::Text3));
  }
};

TEST(AsciiWriter, KeyAppendsItsReplacementOnceEmptiesTheInputAndFocusesItAndOtherTextStaysAndChangesNothing) {
  const std::pair<Text, std::optional<Text>> cases[] = {
      {u"a", u"@"},         {u"A", u"\u00C5"}, {u"@", u"\u00E4"}, {u"h", u"|-|"},  {u"H", u"{)}-{(}"},
      {u"!", u"\u00A1"},    {u"?", u"\u00BF"}, {u" ", u" "},      {u"", {}},       {u"\"", {}},
      {u"/", {}},           {u"\\", {}},       {u"|", {}},        {u"\u00E9", {}}, {u"\U0001F600", {}},
      {Text(1, u'\0'), {}}, {u"aa", {}},       {u"/a", {}},       {u"!!", {}},     {u"Write Here for ascii", {}},
  };
  for (const auto& [text, appended] : cases) {
    Writer w;
    EXPECT_EQ(w.Put(text), Show(appended ? u"|" + *appended + u"|x" + *appended : text + u"|Text2|x")) << Show(text);
    EXPECT_EQ(w.app.ui.focus, appended ? "Text1" : "txt1") << Show(text);
  }
}

// Every rule at once: FNV-1a-32 over each rule's UTF-16LE key, replacement and LF, against the
// value a separate script computed from the rule list.
TEST(AsciiRules, NoRuleIsChangedAddedDroppedOrMoved) {
  std::uint32_t hash = 2166136261u;
  const auto add = [&](std::uint32_t unit) {
    for (const std::uint32_t byte : {unit & 0xFFu, unit >> 8}) hash = (hash ^ byte) * 16777619u;
  };
  for (const auto& rule : writer::AsciiRules()) {
    add(rule.key);
    for (const char16_t unit : rule.replacement) add(unit);
    add(u'\n');
  }
  EXPECT_EQ(hash, 0x746F353Bu);
}

TEST(AsciiWriter, FailingBoxOperationEndsTheRunWithEarlierStepsDone) {
  const std::pair<const char*, const char*> cases[] = {
      {"Text2.SetText", "h|Text2|x"}, {"Text1.SetText", "h||-||x"},    {"Text2.GetText", "||-||x"},
      {"Text3.AppendText", "||-||x"}, {"Text1.SetFocus", "||-||x|-|"},
  };
  for (const auto& [failing_op, boxes] : cases) {
    Writer w(failing_op);
    EXPECT_EQ(w.Put(u"h"), boxes) << failing_op;
    EXPECT_EQ(w.app.ui.focus, "txt1") << failing_op;
    EXPECT_EQ(w.app.errors_shown, std::vector<std::string>{std::string(failing_op) + " failed"}) << "not reported";
  }
}

}  // namespace
