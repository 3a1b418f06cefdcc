#pragma once
// Failures planned in advance: "fail the 2nd call of RegQueryValueExA", once
// or for ever. A control fake throws, as the real control wrappers do; a
// system fake reports the failure as the real call does, with an error code
// or a zero result.
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace platform::sim {

class Faults {
 public:
  Faults() = default;
  // The calls that can be planned to fail, as each fake names them.
  Faults(std::initializer_list<std::string> ops) : known_(ops) {}
  void Know(std::initializer_list<std::string> ops) { known_.insert(ops); }

  // Fail the nth call (1-based) of `op`; with `forever`, every call from then
  // on. `code` is the error a failing call returns where the real call returns
  // one; 0 leaves it to the call's usual error. An empty `op` plans nothing; a
  // name no fake answers to (a misspelt one would never fire) throws
  // std::invalid_argument.
  void FailNth(const std::string& op, int nth, bool forever = false, long code = 0);
  // No more failures of `op` from here on.
  void Cancel(const std::string& op) { plans_.erase(op); }
  // Counts the call; the planned code if this call is to fail.
  std::optional<long> Due(const std::string& op);
  // Counts the call; throws platform::Error if it is to fail.
  void Hit(const std::string& op);

 private:
  struct Plan {
    int nth;
    bool forever;
    long code;
  };
  std::set<std::string, std::less<>> known_;
  std::map<std::string, Plan, std::less<>> plans_;
  std::map<std::string, int, std::less<>> calls_;
};

}  // namespace platform::sim
