#include "writer/writer.h"

#include "writer/ascii_rules.h"

namespace writer {

void RunChange(platform::TextBox& input, platform::TextBox& last, platform::TextBox& output) {
  // Every rule is an independent test against the input as it is then: after
  // a match the input is empty, so later rules (the second "!" among them)
  // fail. Nothing but a match changes the input, so it is read again only
  // after one.
  platform::Text text = input.GetText();
  for (const AsciiRule& rule : AsciiRules()) {
    if (text.size() != 1 || text.front() != rule.key) continue;
    last.SetText(rule.replacement);
    input.SetText(u"");  // re-enters through the change event; the nested run finds nothing
    // Appending at the end gives the same text as rewriting the output box
    // with its own text followed by the replacement, without the cost of
    // reading and rewriting a box that grows for ever.
    output.AppendText(last.GetText());
    input.SetFocus();
    text = input.GetText();
  }
}

}  // namespace writer
