#include "tools/ostrel-policy/import_plan.h"

#include <nlohmann/json.hpp>

#include "platform/registry.h"
#include "platform/text.h"
#include "rules/rule_columns.h"
#include "tools/ostrel-policy/rules_json.h"
#include "tools/ostrel-policy/terminal_text.h"

namespace ostrel::tool {
namespace {

// A rule as its document object, so that rules compare field by field by the names an
// administrator sees in the exported file.
nlohmann::json fieldsOf(const Rule* r) { return nlohmann::json::parse(rulesJson({r})).at(0); }

bool sameId(const Rule* a, const Rule* b) { return namesEqual(a->idText(), b->idText()); }

std::string summary(const Rule& r) {
  std::string text = cellText(r.idText());
  for (int c : {0, 1, 2}) text += "\t" + cellText(ruleColumnText(r, c));
  return text;
}

}  // namespace

ImportPlan planImport(const std::vector<const Rule*>& current, const std::vector<const Rule*>& wanted) {
  ImportPlan plan;
  for (const Rule* w : wanted) {
    const Rule* match = nullptr;
    for (const Rule* c : current)
      if (sameId(c, w)) match = c;
    if (!match) {
      plan.added.push_back(w);
      continue;
    }
    const nlohmann::json before = fieldsOf(match), after = fieldsOf(w);
    std::vector<std::string> fields;
    for (const auto& [name, value] : after.items())
      if (!before.contains(name) || before.at(name) != value) fields.push_back(name);
    if (fields.empty()) {
      ++plan.unchanged;
    } else {
      plan.changed.push_back({match, w, std::move(fields)});
    }
  }
  for (const Rule* c : current) {
    bool kept = false;
    for (const Rule* w : wanted) kept = kept || sameId(c, w);
    if (!kept) plan.removed.push_back(c);
  }
  return plan;
}

void printPlan(const ImportPlan& plan, std::ostream& out) {
  for (const Rule* r : plan.added) out << "add\t" << summary(*r) << '\n';
  for (const Rule* r : plan.removed) out << "remove\t" << summary(*r) << '\n';
  for (const auto& c : plan.changed) {
    std::string fields;
    for (const auto& f : c.fields) fields += (fields.empty() ? "" : ", ") + f;
    out << "change\t" << summary(*c.after) << "\t(" << fields << ")\n";
  }
  out << plan.added.size() << " to add, " << plan.removed.size() << " to remove, " << plan.changed.size()
      << " to change, " << plan.unchanged << " unchanged; nothing was changed (--dry-run)\n";
}

}  // namespace ostrel::tool
