#pragma once
// Page 3: the optional command lines of the rule, kept in a sorted list box; Add and Edit
// open the Get Command Line dialog.
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
  void onCommand(ControlId id, int notification) override;

  void add();
  void remove();
  // Double-click edits too, but says nothing when no line is selected.
  void edit(bool quietWithoutSelection);
};

}  // namespace ostrel::wizard
