#pragma once
// Page 2: the application of the rule: a file's SHA-1 hash (browsed) for a Hash rule, a
// path or file-name pattern (typed or browsed) for a Path rule, and the two flags.
#include <string>

#include "wizard/page.h"

namespace ostrel::wizard {

// Longest text read from the edit; beyond it every change beeps.
inline constexpr std::size_t applicationTextChars = 256;

class ApplicationPage final : public Page {
 public:
  explicit ApplicationPage(std::shared_ptr<Sheet> sheet) : Page(PageKind::application, std::move(sheet)) {}

 private:
  void onInit() override;
  void onShow() override;
  bool onNext() override;
  bool onBack() override;
  void onCommand(ControlId id, int notification) override;

  void takeFromRule();
  bool readControls();  // false when the text was too long (the flags are then not read)
  void browse();
  void store();

  std::wstring text_;
  std::wstring applicationName_;
  bool ownershipCheck_ = false;
  bool recursive_ = false;
};

}  // namespace ostrel::wizard
