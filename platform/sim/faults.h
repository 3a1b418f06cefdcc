#pragma once
// Failures planned in advance: "fail the 2nd call of Label1.SetCaption", once
// or for ever. A control fake throws, as the real control wrappers do; a
// system fake returns the error code or zero result the real call would.
#include <map>
#include <string>

namespace sim {

class Faults {
 public:
  // Fail the nth call (1-based) of `op`; with `forever`, every call from then on.
  void FailNth(const std::string& op, int nth, bool forever = false);
  // Counts the call; true if a failure was planned for it.
  bool Due(const std::string& op);
  // Counts the call; throws platform::Error if a failure was planned for it.
  void Hit(const std::string& op);

 private:
  struct Plan {
    int nth;
    bool forever;
  };
  std::map<std::string, Plan> plans_;
  std::map<std::string, int> calls_;
};

}  // namespace sim
