#include "platform/sim/faults.h"

#include "platform/error.h"

namespace sim {

void Faults::FailNth(const std::string& op, int nth, bool forever) { plans_[op] = Plan{nth, forever}; }

bool Faults::Due(const std::string& op) {
  const int n = ++calls_[op];
  const auto plan = plans_.find(op);
  return plan != plans_.end() && (n == plan->second.nth || (plan->second.forever && n > plan->second.nth));
}

void Faults::Hit(const std::string& op) {
  if (Due(op)) throw platform::Error(op + " failed");
}

}  // namespace sim
