#pragma once
// The scope node "Application Execution Policies" under Computer Configuration: it holds
// the editor's IGPEInformation and the Rule list, lists the rules when selected, offers
// the wizard command and takes in what the wizard reports.
#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include <gpedit.h>
#include <mmc.h>
#include <prsht.h>

#include "platform/win/handles.h"
#include "snapin/com_object_win.h"
#include "wizard/page.h"
#include "wizard/page_notice.h"
#include "snapin/rule_item_win.h"
#include "snapin/rule_list.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

class SnapinData;
class SnapinView;

class PoliciesNode final : public SnapinItem {
 public:
  static constexpr std::size_t wizardPageCount = 8;

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

  // A page notice of the Rule wizard (IComponentData's MMCN_PROPERTY_CHANGE).
  void receivePageNotice(wizard::PageNotice& notice);

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

  SnapinData& data_;
  std::vector<SnapinView*> views_;
  std::array<HPROPSHEETPAGE, wizardPageCount> pageHandles_{};
  std::array<wizard::Page*, wizardPageCount> pages_{};  // the page objects behind the handles, not owned
  LONG_PTR notifyHandle_ = 0;
  std::weak_ptr<wizard::Sheet> wizardSheet_;  // gone once the open wizard's pages are released
  ComPtr<IPropertySheetProvider> sheetProvider_;
  ComPtr<IGPEInformation> gpe_;
  HSCOPEITEM scopeItem_ = 0;
  RuleList<RuleItem> rules_;
  std::unique_ptr<RuleItem> pending_;
  // The wizard's header bitmap: the sheet only borrows it, so the node keeps it, loaded once,
  // and frees it with itself.
  win::Bitmap headerBitmap_;
};

// Makes each page's sheet page and hands it to the console, keeping handles and objects
// when arrays are given.
HRESULT addPages(IPropertySheetCallback& callback, std::vector<std::unique_ptr<wizard::Page>>& pages,
                 HPROPSHEETPAGE* handles, wizard::Page** objects) noexcept;

// The row of a Rule item as Show and the wizard's finish insert it.
HRESULT insertRuleRow(IResultData* resultData, RuleItem& item) noexcept;

}  // namespace ostrel::snapin
