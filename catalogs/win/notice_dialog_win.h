#pragma once
// The notice dialog (IDD_NOTICE): the notice's text, OK, and "Do not show this message
// again", whose every click records the choice in the current user's hive at once.
#include <windows.h>

namespace ostrel::catalogs {

// Runs the notice dialog modally over owner (may be null) from the dialog, icon and string
// resources of module. Returns when the user presses OK; Escape and the close box do nothing.
void showNotice(HWND owner, HINSTANCE module, int number);

// Shows notice number unless the current user has silenced it.
void notice(HWND owner, HINSTANCE module, int number);

}  // namespace ostrel::catalogs
