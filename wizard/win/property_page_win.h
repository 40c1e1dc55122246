#pragma once
// A page object becomes a property-sheet page: the page is owned through the page's
// PROPSHEETPAGE.lParam from creation until PSPCB_RELEASE, and one dialog procedure forwards
// the dialog's messages and the sheet's notifications to it.
#include <windows.h>
#include <prsht.h>

#include <memory>

#include "wizard/page.h"

namespace ostrel::wizard::win {

// The sheet's page for page, from dialog template info().dialogId of module. A wizard page
// carries the header title and subtitle; every page its caption title and a Help button.
// Null when the platform refused it (the page is then freed here).
HPROPSHEETPAGE createPropertyPage(std::unique_ptr<Page> page, HINSTANCE module);

}  // namespace ostrel::wizard::win
