#pragma once
// Page 5: whether the rule replaces the default process privileges, and with which.
#include "wizard/page.h"

namespace ostrel::wizard {

class ProcessPrivilegesPage final : public Page {
 public:
  explicit ProcessPrivilegesPage(std::shared_ptr<Sheet> sheet)
      : Page(PageKind::processPrivileges, std::move(sheet)) {}

 private:
  void onInit() override;
  bool onNext() override;
  void onCommand(ControlId id, int notification) override;
  void onNotify(ControlId id, int notification) override;
  void enableLists(bool enabled);
  void focusFirst(ControlId list);
  void overrideClicked();
  void move(ControlId from);
  void describeSelection(ControlId list);
  void focused(ControlId list);
};

}  // namespace ostrel::wizard
