#pragma once
// The scope node "Application Execution Policies" under Computer Configuration: it holds
// the editor's IGPEInformation and the Rule list, lists the rules when selected, offers
// the wizard command and takes in what the wizard reports.
#include <windows.h>

#include <array>
#include <memory>
#include <span>
#include <vector>

#include <gpedit.h>
#include <mmc.h>
#include <prsht.h>

#include "platform/win/handles.h"
#include "snapin/com_object_win.h"
#include "wizard/page.h"
#include "wizard/page_notice.h"
#include "wizard/page_table.h"
#include "snapin/rule_item_win.h"
#include "snapin/rule_list.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

class SnapinData;
class SnapinView;

// What a sheet's pages keep alive until the last of them is released: the component data,
// and with it the node, its Rule items and the editor's interface; and the Rule item of a
// wizard cancelled while its pages still existed.
struct SheetHold {
  ComPtr<IUnknown> data;
  std::unique_ptr<RuleItem> cancelled;  // let go before the data
};

class PoliciesNode final : public SnapinItem {
 public:
  explicit PoliciesNode(SnapinData& data) noexcept;
  ~PoliciesNode() override;

  const wchar_t* displayText(int column) override;
  const GUID& nodeType() override;
  int imageIndex() override;
  HRESULT initialise(IConsoleNameSpace* nameSpace, IConsole* console, IDataObject* dataObject) override;
  HRESULT show(IConsole* console, bool selecting, HSCOPEITEM scopeItem) override;
  HRESULT addMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
  HRESULT select(SnapinView* view, IConsole* console, bool scope, bool selected) override;
  HRESULT createPropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle,
                              IDataObject* dataObject) override;
  HRESULT queryPagesFor(IDataObject* dataObject) override;
  HRESULT getWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) override;
  void setScopeItem(HSCOPEITEM item) override;
  HSCOPEITEM scopeItem() override;
  void save() override;
  HRESULT command(long commandId, IDataObject* dataObject) override;

  // The views of this snap-in, oldest first: the newest one is where a finished rule shows.
  void addView(SnapinView& view) { views_.push_back(&view); }
  void removeView(SnapinView& view) { std::erase(views_, &view); }

  // A page notice of the Rule wizard (IComponentData's MMCN_PROPERTY_CHANGE, or handed over
  // by the pages once the console has released the snap-in).
  void receiveNotice(wizard::PageNotice& notice) override;
  [[nodiscard]] bool consoleReleased() const override { return consoleReleased_; }
  // IComponentData::Destroy: the console sends nothing more, and open sheets report directly.
  void detachFromConsole() { consoleReleased_ = true; }
  // A new hold on the component data for a sheet's pages.
  [[nodiscard]] std::shared_ptr<SheetHold> sheetHold();

  // LoadRules, UpdateStore(write) and RewriteStore with the node's GPE information.
  void loadRules();
  void updateStore(bool write);
  void rewriteStore();

  [[nodiscard]] RuleList<RuleItem>& rules() { return rules_; }
  [[nodiscard]] IGPEInformation* gpeInformation() const { return gpe_.Get(); }
  [[nodiscard]] RuleItem* pendingItem() const { return pending_.get(); }

 private:
  HRESULT openWizard(IDataObject* dataObject);
  bool bringWizardForward();
  void finishWizard();
  void cancelWizard();
  // Lets go of the pending Rule item; while the pages of its wizard exist, their hold keeps it.
  void dropPending();

  SnapinData& data_;
  std::vector<SnapinView*> views_;
  // The pages of the wizard now or last opened, one per row of the page table.
  std::array<HPROPSHEETPAGE, wizard::pageTable.size()> pageHandles_{};
  std::weak_ptr<wizard::Sheet> wizardSheet_;  // gone once the open wizard's pages are released
  std::weak_ptr<SheetHold> wizardHold_;       // likewise
  bool consoleReleased_ = false;
  ComPtr<IPropertySheetProvider> sheetProvider_;
  ComPtr<IGPEInformation> gpe_;
  HSCOPEITEM scopeItem_ = 0;
  RuleList<RuleItem> rules_;
  std::unique_ptr<RuleItem> pending_;
  // The wizard's header bitmap: the sheet only borrows it, so the node keeps it, loaded once,
  // and frees it with itself.
  win::Bitmap headerBitmap_;
};

// Makes each page's sheet page and hands it to the console, keeping the handles the console
// took in handles (when given). A page the console refuses is destroyed here; the pages
// after it are never made.
HRESULT addPages(IPropertySheetCallback& callback, std::vector<std::unique_ptr<wizard::Page>>& pages,
                 std::span<HPROPSHEETPAGE> handles = {}) noexcept;

// The row of a Rule item as Show and the wizard's finish insert it.
HRESULT insertRuleRow(IResultData* resultData, RuleItem& item) noexcept;

}  // namespace ostrel::snapin
