// libFuzzer target for the tool's import reader. Beyond "no crash, no sanitizer report": a
// refused document names its reason and yields no rule; an accepted one, written back, reads
// again to the same rules and the same text.
#include <cstdint>
#include <cstdlib>

#include "tools/ostrel-policy/rules_json.h"

using namespace ostrel;

namespace {
class AnswerNo final : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring&, const std::wstring&, std::uint32_t) override { return answer::no; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AnswerNo prompter;
  std::vector<std::unique_ptr<Rule>> rules;
  std::string error;
  if (!tool::rulesFromJson(std::string_view(reinterpret_cast<const char*>(data), size), prompter, rules, error)) {
    if (error.empty() || !rules.empty()) std::abort();
    return 0;
  }
  std::vector<const Rule*> view;
  for (const auto& r : rules) view.push_back(r.get());
  std::vector<std::string> lossy;
  const std::string written = tool::rulesJson(view, &lossy);
  if (!lossy.empty()) std::abort();  // text from a JSON document always has a UTF-8 form
  std::vector<std::unique_ptr<Rule>> again;
  if (!tool::rulesFromJson(written, prompter, again, error)) std::abort();
  view.clear();
  for (const auto& r : again) view.push_back(r.get());
  if (tool::rulesJson(view) != written) std::abort();
  return 0;
}
