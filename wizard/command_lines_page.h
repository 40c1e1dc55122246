#pragma once
// Page 3: the optional command lines of the rule, kept in a sorted list box.
#include "wizard/page.h"

namespace ostrel::wizard {

class CommandLinesPage final : public Page {
 public:
  explicit CommandLinesPage(std::shared_ptr<Sheet> sheet) : Page(PageKind::commandLines, std::move(sheet)) {}

  void ruleReset() override;

 private:
  void onInit() override;
  void onShow() override;
  bool onNext() override;
};

}  // namespace ostrel::wizard
