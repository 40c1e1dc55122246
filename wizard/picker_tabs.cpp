#include "wizard/picker_tabs.h"

#include "catalogs/catalog.h"
#include "resources/resource_ids.h"
#include "resources/string_ids.h"

namespace ostrel::wizard {
namespace {

constexpr int runningProcessesList = IDC_RUNNING_PROCESSES_LIST;
constexpr int controlPanelList = IDC_CONTROL_PANEL_LIST;
constexpr int consolesList = IDC_MMC_LIST;

constexpr std::array<PickerTabInfo, pickerTabCount> tabs{{
    {PickerTabKind::runningProcesses, IDD_RUNNING_PROCESSES, IDS_TAB_RUNNING_PROCESSES, runningProcessesList,
     L"Running_Processes"},
    {PickerTabKind::controlPanel, IDD_CONTROL_PANEL, IDS_TAB_CONTROL_PANEL, controlPanelList, L"Control_Panel_applets"},
    {PickerTabKind::consoles, IDD_MMC, IDS_TAB_MMC, consolesList, L"MMC_snap-ins"},
}};

// A report list view of a catalog: name and comment per row, in catalog order.
class CatalogTab final : public PickerTab {
 public:
  CatalogTab(std::size_t index, PickerMemory& memory, PickerHost& host, PageServices& services)
      : PickerTab(index, memory, host, services),
        rows_(info().kind == PickerTabKind::controlPanel ? catalogs::appletCatalog() : catalogs::snapinCatalog()) {}

  void initDialog(Dialog& dialog) override {
    dialog_ = &dialog;
    static constexpr ListColumn columns[] = {{L"Name", 150}, {L"Comments", 300}};
    dialog.listViewInit(info().listId, columns);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const int row = dialog.listViewInsert(info().listId, static_cast<int>(i), rows_[i].name);
      dialog.listViewSetText(info().listId, row, 1, rows_[i].comment);
    }
  }

  void notify(ControlId id, int code) override {
    if (dialog_ == nullptr || id != info().listId) return;
    if (code == code::itemChanged) {
      const int row = dialog_->listViewSelection(id);
      if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
      pick(rows_[static_cast<std::size_t>(row)].commandLine);
      // Older targets want mmc.exe without quotes; the administrator edits that by hand.
      if (info().kind == PickerTabKind::consoles) services().notice(dialog_->window(), IDS_NOTICE_QUOTED_MMC);
    } else if (code == code::listDoubleClick && !current().empty()) {
      accept();
    }
  }

 private:
  std::span<const catalogs::CatalogRow> rows_;
  Dialog* dialog_ = nullptr;
};

// A sorted list box of the command lines of the processes running when the tab opened.
class RunningProcessesTab final : public PickerTab {
 public:
  RunningProcessesTab(std::size_t index, PickerMemory& memory, PickerHost& host, PageServices& services,
                      catalogs::ProcessSource& source)
      : PickerTab(index, memory, host, services), source_(source) {}

  void initDialog(Dialog& dialog) override {
    dialog_ = &dialog;
    // Without the debug privilege, other users' processes and services stay hidden.
    if (!source_.enableDebugPrivilege()) services().notice(dialog.window(), IDS_NOTICE_DEBUG_PRIVILEGE);
    for (const std::wstring& line : source_.commandLines()) dialog.listBoxAdd(info().listId, line);
  }

  void command(ControlId id, int code) override {
    if (dialog_ == nullptr || id != info().listId) return;
    if (code != code::selectionChange && code != code::doubleClick) return;
    const int selected = dialog_->listBoxSelection(id);
    if (selected < 0) return;
    pick(dialog_->listBoxText(id, selected));
    if (code == code::doubleClick) accept();
  }

 private:
  catalogs::ProcessSource& source_;
  Dialog* dialog_ = nullptr;
};

}  // namespace

const PickerTabInfo& pickerTabInfo(std::size_t index) { return tabs.at(index); }

PickerMemory& modulePickerMemory() {
  static PickerMemory memory;
  return memory;
}

void PickerTab::pick(const std::wstring& line) {
  memory_.current[index_] = line;
  memory_.picked = line;
  host_.post(commandLinePicked);
}

std::unique_ptr<PickerTab> makePickerTab(std::size_t index, PickerMemory& memory, PickerHost& host,
                                         PageServices& services, catalogs::ProcessSource& source) {
  if (pickerTabInfo(index).kind == PickerTabKind::runningProcesses)
    return std::make_unique<RunningProcessesTab>(index, memory, host, services, source);
  return std::make_unique<CatalogTab>(index, memory, host, services);
}

}  // namespace ostrel::wizard
