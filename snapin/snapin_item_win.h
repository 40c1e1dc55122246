#pragma once
// The base of the items the console reaches through SnapinData and SnapinView: the scope
// node and the Rule items. The console names an item by a data object or a cookie (the
// item's address); every request then goes to one of these operations. The defaults are
// what an item answers for an operation its class does not handle: S_FALSE.
#include <windows.h>

#include <mmc.h>

#include "wizard/page_notice.h"

namespace ostrel::snapin {

class SnapinView;

class SnapinItem : public wizard::PageOwner {
 public:
  SnapinItem() noexcept;
  SnapinItem(const SnapinItem&) = delete;
  SnapinItem& operator=(const SnapinItem&) = delete;
  virtual ~SnapinItem();

  // Text for a result-pane column (column 0 also for the scope pane); owned by the item.
  virtual const wchar_t* displayText(int column) = 0;
  virtual const GUID& nodeType();
  // What CompareObjects compares.
  virtual const SnapinItem* identity() const { return this; }
  virtual int imageIndex() = 0;

  virtual HRESULT resultViewType(LPOLESTR* viewType, long* viewOptions);
  virtual HRESULT initialise(IConsoleNameSpace* nameSpace, IConsole* console, IDataObject* dataObject);
  virtual HRESULT expand(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM parent);
  virtual HRESULT show(IConsole* console, bool selecting, HSCOPEITEM scopeItem);
  virtual HRESULT addImages(IImageList* images, HSCOPEITEM scopeItem);
  virtual HRESULT addMenuItems(IContextMenuCallback* callback, long* insertionAllowed);
  virtual HRESULT doubleClick(IConsole* console, IDataObject* dataObject);
  // MMCN_DELETE runs the first step with the view's console, the second with SnapinData's.
  virtual HRESULT deleteSecondStep(IConsole* dataConsole);
  virtual HRESULT deleteFirstStep(IConsole* viewConsole);
  virtual HRESULT select(SnapinView* view, IConsole* console, bool scope, bool selected);
  virtual HRESULT createPropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle,
                                      IDataObject* dataObject);
  virtual HRESULT queryPagesFor(IDataObject* dataObject);
  virtual HRESULT getWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch);
  virtual void setScopeItem(HSCOPEITEM item);
  virtual HSCOPEITEM scopeItem();
  void save() override;
  virtual HRESULT command(long commandId, IDataObject* dataObject);
};

// The scope item's closed/open images and the rows' image come from the module's strips.
HRESULT setImageStrips(IImageList* images) noexcept;

}  // namespace ostrel::snapin
