#pragma once
// The Get Command Line dialog (resource 129) with its three picker tabs, run modally.
#include <windows.h>

#include <optional>
#include <string>

#include "wizard/picker_tabs.h"
#include "wizard/page.h"

namespace ostrel::wizard::win {

// Shows the dialog on line, owned by owner, from the templates of module; the line after
// OK, or nothing after Cancel. The tabs remember their lines in memory.
std::optional<std::wstring> runCommandLineDialog(HINSTANCE module, HWND owner, const std::wstring& line,
                                                 PageServices& services, catalogs::ProcessSource& processes,
                                                 PickerMemory& memory = modulePickerMemory());

}  // namespace ostrel::wizard::win
