#include "platform/sim/faults.h"

#include <algorithm>

#include "platform/error.h"

namespace sim {

void Faults::FailNth(const std::string& op, int nth, bool forever) { plans_[op] = Plan{nth, forever}; }

bool Faults::Due(const std::string& op) {
  const int n = ++calls_[op];
  const auto plan = plans_.find(op);
  return plan != plans_.end() && (n == plan->second.nth || (plan->second.forever && n > plan->second.nth));
}

void Faults::Hit(const std::string& op) {
  journal_.push_back(op);
  if (Due(op)) throw platform::Error(op + " failed");
}

int Faults::Count(const std::string& op) const {
  return static_cast<int>(std::count(journal_.begin(), journal_.end(), op));
}

}  // namespace sim
