#include "wizard/rule_sheet.h"

#include "wizard/account_page.h"
#include "wizard/application_page.h"
#include "wizard/command_lines_page.h"
#include "wizard/finish_page.h"
#include "wizard/process_privileges_page.h"
#include "wizard/rule_type_page.h"

namespace ostrel::wizard {
namespace {

std::unique_ptr<Page> makePage(PageKind kind, const std::shared_ptr<Sheet>& sheet, accounts::AccountPicker* picker) {
  switch (kind) {
    case PageKind::ruleType: return std::make_unique<RuleTypePage>(sheet);
    case PageKind::application: return std::make_unique<ApplicationPage>(sheet);
    case PageKind::commandLines: return std::make_unique<CommandLinesPage>(sheet);
    case PageKind::privilegedGroups:
      return std::make_unique<AccountListPage>(privilegedGroupsFamily(), sheet, picker);
    case PageKind::processPrivileges: return std::make_unique<ProcessPrivilegesPage>(sheet);
    case PageKind::sidsToDelete:
      return std::make_unique<AccountListPage>(sidsToDeleteFamily(), sheet, picker);
    case PageKind::authorizedUsers:
      return std::make_unique<AccountListPage>(authorizedUsersFamily(), sheet, picker);
    case PageKind::finish: return std::make_unique<FinishPage>(sheet);
  }
  return nullptr;
}

}  // namespace

std::vector<std::unique_ptr<Page>> makeRulePages(Rule& rule, Mode mode, PageOwner* owner, std::intptr_t notifyHandle,
                                                 PageServices& services, accounts::AccountPicker* picker) {
  auto sheet = std::make_shared<Sheet>(rule, mode, owner, notifyHandle, services);
  const std::size_t count = mode == Mode::wizard ? wizardPageCount : propertyPageCount;
  std::vector<std::unique_ptr<Page>> pages;
  pages.reserve(count);
  for (std::size_t i = 0; i < count; ++i) pages.push_back(makePage(pageTable[i].kind, sheet, picker));
  return pages;
}

}  // namespace ostrel::wizard
