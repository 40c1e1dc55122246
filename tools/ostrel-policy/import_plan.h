#pragma once
// What an import would do to a policy, rule by rule: the rules it adds (ids the policy does
// not hold), removes (ids the file does not hold) and changes (same id, other fields).
#include <ostream>
#include <vector>

#include "rules/rule.h"

namespace ostrel::tool {

struct ImportPlan {
  std::vector<const Rule*> added, removed;
  struct Change {
    const Rule* before;
    const Rule* after;
    std::vector<std::string> fields;  // the document's field names that differ
  };
  std::vector<Change> changed;
  std::size_t unchanged = 0;
  [[nodiscard]] bool empty() const { return added.empty() && removed.empty() && changed.empty(); }
};

ImportPlan planImport(const std::vector<const Rule*>& current, const std::vector<const Rule*>& wanted);

// One line per rule: "add ID\tApplication\tType\tValue", "remove ...", "change ...\t(fields)",
// then a count line.
void printPlan(const ImportPlan& plan, std::ostream& out);

}  // namespace ostrel::tool
