#pragma once
// How a command turns a request down: the top-level handler prints the reason and exits 1.
#include <stdexcept>
#include <string>

namespace ostrel::tool {

class Refused : public std::runtime_error {
 public:
  // reason is printed after "ostrel-policy: ". A message of the wizard's checks is printed as
  // it stands (prefixed = false); one they already printed leaves reason empty.
  explicit Refused(const std::string& reason, bool prefixed = true)
      : std::runtime_error(reason), prefixed_(prefixed) {}
  bool prefixed() const { return prefixed_; }

 private:
  bool prefixed_;
};

}  // namespace ostrel::tool
