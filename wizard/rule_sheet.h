#pragma once
// The pages of one sheet on one Rule, in page order: the eight of the Rule wizard, or the
// first seven as an existing rule's property sheet.
#include <memory>
#include <vector>

#include "wizard/page.h"

namespace ostrel::accounts {
class AccountPicker;
}

namespace ostrel::wizard {

// picker: the directory object picker of the account pages' Add buttons; without one, Add
// does nothing.
std::vector<std::unique_ptr<Page>> makeRulePages(Rule& rule, Mode mode, PageOwner* owner, std::intptr_t notifyHandle,
                                                 PageServices& services, accounts::AccountPicker* picker = nullptr);

}  // namespace ostrel::wizard
