#include "platform/sim/faults.h"

#include <stdexcept>

#include "platform/error.h"

namespace platform::sim {

void Faults::FailNth(const std::string& op, int nth, bool forever, long code) {
  if (op.empty()) return;
  if (!known_.contains(op)) throw std::invalid_argument("no fake call is named \"" + op + "\"");
  plans_[op] = Plan{nth, forever, code};
}

std::optional<long> Faults::Due(const std::string& op) {
  const int n = ++calls_[op];
  const auto plan = plans_.find(op);
  if (plan == plans_.end() || !(n == plan->second.nth || (plan->second.forever && n > plan->second.nth))) {
    return std::nullopt;
  }
  return plan->second.code;
}

void Faults::Hit(const std::string& op) {
  if (Due(op)) throw Error(op + " failed");
}

}  // namespace platform::sim
