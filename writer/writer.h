#pragma once
#include "platform/ui.h"

namespace writer {

// The change procedure of the writer's input box: when the whole input is
// exactly one rule's key, the replacement goes through `last` onto the end of
// `output` and the input is emptied (which raises its change event again).
void RunChange(platform::TextBox& input, platform::TextBox& last, platform::TextBox& output);

}  // namespace writer
