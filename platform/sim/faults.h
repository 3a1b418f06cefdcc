#pragma once
// A record of the operations the simulation has seen, and failures planned in
// advance: "fail the 2nd call of Label1.SetCaption", once or for ever. A
// control fake throws, as the real control wrappers do; a system fake returns
// the error code or zero result the real call would.
#include <map>
#include <string>
#include <vector>

namespace sim {

class Faults {
 public:
  // Fail the nth call (1-based) of `op`; with `forever`, every call from then on.
  void FailNth(const std::string& op, int nth, bool forever = false);
  // Counts the call; true if a failure was planned for it.
  bool Due(const std::string& op);
  // Records the call; throws platform::Error if a failure was planned for it.
  void Hit(const std::string& op);

  const std::vector<std::string>& journal() const { return journal_; }
  void ClearJournal() { journal_.clear(); }
  int Count(const std::string& op) const;

 private:
  struct Plan {
    int nth;
    bool forever;
  };
  std::map<std::string, Plan> plans_;
  std::map<std::string, int> calls_;
  std::vector<std::string> journal_;
};

}  // namespace sim
