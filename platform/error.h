#pragma once
#include <stdexcept>
#include <string>

namespace platform {

// Raised by a control or window operation that fails. A handler stops where it
// is thrown; what it did before stays done. The window layer catches it.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace platform
