#pragma once
// One row of the result pane: owns its Rule, answers the console for the row, and deletes
// the rule on the console's delete verb.
#include <windows.h>

#include <memory>

#include <mmc.h>

#include "rules/rule.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

class PoliciesNode;

class RuleItem final : public SnapinItem {
 public:
  RuleItem(PoliciesNode& owner, std::unique_ptr<Rule> rule) noexcept;
  ~RuleItem() override;

  const wchar_t* displayText(int column) override;
  const GUID& nodeType() override;
  int imageIndex() override;
  HRESULT show(IConsole* console, bool selecting, HSCOPEITEM scopeItem) override;
  HRESULT addMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
  HRESULT doubleClick(IConsole* console, IDataObject* dataObject) override;
  HRESULT deleteSecondStep(IConsole* dataConsole) override;
  HRESULT deleteFirstStep(IConsole* viewConsole) override;
  HRESULT select(SnapinView* view, IConsole* console, bool scope, bool selected) override;
  HRESULT createPropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle,
                              IDataObject* dataObject) override;
  HRESULT queryPagesFor(IDataObject* dataObject) override;
  HRESULT getWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) override;
  void save() override;
  // Notices of the rule's property sheet: Apply saves, Cancel's code is only cleared.
  void receiveNotice(wizard::PageNotice& notice) override;
  [[nodiscard]] bool consoleReleased() const override;

  [[nodiscard]] Rule& rule() { return *rule_; }
  [[nodiscard]] bool deleted() const { return deleted_; }
  [[nodiscard]] PoliciesNode& owner() const { return owner_; }

 private:
  PoliciesNode& owner_;
  std::unique_ptr<Rule> rule_;
  bool deleted_ = false;
};

}  // namespace ostrel::snapin
