#pragma once
// The three tabs of the Get Command Line dialog: running processes, Control Panel applets
// and management consoles. A tab never touches the Rule: it stores the chosen command line
// where the dialog fetches it and posts the dialog a message.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "catalogs/processes.h"
#include "wizard/dialog.h"
#include "wizard/page.h"

namespace ostrel::wizard {

// Messages posted to the Get Command Line dialog (WM_USER + 2812 and + 2813).
inline constexpr unsigned commandLinePicked = 0x0EFC;
inline constexpr unsigned commandLineAccepted = 0x0EFD;

enum class PickerTabKind { runningProcesses, controlPanel, consoles };
inline constexpr std::size_t pickerTabCount = 3;

struct PickerTabInfo {
  PickerTabKind kind;
  int dialogId;
  unsigned title;  // string id
  int listId;
  const wchar_t* helpAnchor;
};

// In tab order.
[[nodiscard]] const PickerTabInfo& pickerTabInfo(std::size_t index);

// What the tabs remember from module load to unload: each tab's current command line, and
// the line handed over last by any tab.
struct PickerMemory {
  std::array<std::wstring, pickerTabCount> current;
  std::wstring picked;
};

// The module's one memory.
PickerMemory& modulePickerMemory();

// The dialog around the tabs: where their messages go (posted, so they arrive after the
// tab's notification has been handled).
class PickerHost {
 public:
  virtual ~PickerHost() = default;
  virtual void post(unsigned message) = 0;
};

class PickerTab {
 public:
  PickerTab(std::size_t index, PickerMemory& memory, PickerHost& host, PageServices& services)
      : info_(pickerTabInfo(index)), index_(index), memory_(memory), host_(host), services_(services) {}
  PickerTab(const PickerTab&) = delete;
  PickerTab& operator=(const PickerTab&) = delete;
  virtual ~PickerTab() = default;

  [[nodiscard]] const PickerTabInfo& info() const { return info_; }
  virtual void initDialog(Dialog& dialog) = 0;
  // WM_COMMAND and WM_NOTIFY from the tab's list.
  virtual void command(ControlId, int) {}
  virtual void notify(ControlId, int) {}

 protected:
  // The row's line becomes the tab's and the dialog's.
  void pick(const std::wstring& line);
  void accept() { host_.post(commandLineAccepted); }
  [[nodiscard]] const std::wstring& current() const { return memory_.current[index_]; }
  [[nodiscard]] PageServices& services() const { return services_; }

 private:
  const PickerTabInfo& info_;
  const std::size_t index_;
  PickerMemory& memory_;
  PickerHost& host_;
  PageServices& services_;
};

// The tab of each kind; the running-processes tab lists what source gives it.
std::unique_ptr<PickerTab> makePickerTab(std::size_t index, PickerMemory& memory, PickerHost& host,
                                         PageServices& services, catalogs::ProcessSource& source);

}  // namespace ostrel::wizard
