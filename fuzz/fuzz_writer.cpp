// The writer's change procedure over random edits of its input box: never a
// crash, the output only ever grows at its end by one rule's replacement, and
// the input is never left holding a single character that has a rule.
#include <cstdint>
#include <cstdlib>

#include "app/sim/sim_app.h"
#include "writer/ascii_rules.h"

namespace {
bool HasRule(char16_t c) {
  for (const auto& r : writer::AsciiRules()) {
    if (r.key == c) return true;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sim::SimApp app;
  auto& input = app.ui.box(app::ControlId::Text1);
  auto& output = app.ui.box(app::ControlId::Text3);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const std::uint8_t op = data[i];
    const auto c = static_cast<char16_t>(data[i + 1] < 0x80 ? data[i + 1] : 0xA0 + (data[i + 1] & 0x5F));
    platform::Text text = input.GetText();
    switch (op % 4) {
      case 0: text.push_back(c); break;  // type a character
      case 1:
        if (!text.empty()) text.pop_back();
        break;                                    // backspace
      case 2: text.assign(1 + op % 3, c); break;  // paste
      case 3: text.clear(); break;                // cut everything
    }
    const platform::Text before = output.GetText();
    input.UserSets(text);
    const platform::Text after = output.GetText();
    if (after.compare(0, before.size(), before) != 0) std::abort();
    const platform::Text added = after.substr(before.size());
    if (!added.empty()) {
      bool is_replacement = false;
      for (const auto& r : writer::AsciiRules()) is_replacement |= (added == r.replacement);
      if (!is_replacement || added != app.ui.box(app::ControlId::Text2).GetText()) std::abort();
    }
    const platform::Text now = input.GetText();
    if (now.size() == 1 && HasRule(now[0])) std::abort();
  }
  if (!app.errors_shown.empty()) std::abort();
  return 0;
}
