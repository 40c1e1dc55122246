// The Rule list operations and the console-side decisions of the snap-in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "snapin/console_logic.h"
#include "wizard/page_notice.h"  // the notice codes
#include "snapin/rule_list.h"

namespace ostrel::snapin {
namespace {
namespace notice = wizard::notice;

struct TestItem {
  explicit TestItem(std::wstring name) { rule_.setApplicationName(std::move(name)); }
  bool deleted() const { return deleted_; }
  Rule& rule() { return rule_; }
  Rule rule_;
  bool deleted_ = false;
};

RuleList<TestItem> listOf(std::initializer_list<const wchar_t*> names) {
  RuleList<TestItem> list;
  for (const wchar_t* n : names) list.append(std::make_unique<TestItem>(n));
  return list;
}

std::wstring namesOf(const RuleList<TestItem>& list) {
  std::wstring out;
  list.forEach([&](TestItem& i) { out += i.rule().applicationName(); });
  return out;
}

std::wstring namesOf(const std::vector<Rule*>& rules) {
  std::wstring out;
  for (Rule* r : rules) out += r->applicationName();
  return out;
}

TEST(RuleList, ShowDropsOnlyTheFirstMarkedItemAndTheStoreGetsTheLiveRulesInOrder) {
  RuleList<TestItem> list = listOf({L"a", L"b", L"c", L"d"});
  EXPECT_EQ(namesOf(list.liveRules()), L"abcd");
  TestItem& b = list[1];
  b.deleted_ = true;
  list[3].deleted_ = true;
  EXPECT_EQ(namesOf(list.liveRules()), L"ac");  // a marked item still listed is not stored
  EXPECT_EQ(list.dropFirstMarked(), &b);
  // The deletion's dispatch goes on with the item after the show inside it dropped it.
  EXPECT_EQ(b.rule().applicationName(), L"b");
  EXPECT_EQ(list.droppedCount(), 1u);
  EXPECT_EQ(namesOf(list), L"acd");
  EXPECT_EQ(namesOf(list.liveRules()), L"ac");
  EXPECT_EQ(list.dropFirstMarked()->rule().applicationName(), L"d");
  EXPECT_EQ(namesOf(list), L"ac");
  EXPECT_EQ(list.dropFirstMarked(), nullptr);
}

TEST(ConsoleLogic, SpecialDataObjectsCarryNoItem) {
  for (std::intptr_t v = -10; v <= 0; ++v) EXPECT_TRUE(isSpecialDataObject(v)) << v;
  EXPECT_FALSE(isSpecialDataObject(-11));
  EXPECT_FALSE(isSpecialDataObject(1));
  EXPECT_FALSE(isSpecialDataObject(0x10000));
}

TEST(ConsoleLogic, WizardNotices) {
  struct Case {
    std::int32_t page, code;
    WizardNoticeAction action;
    bool clear;
  } cases[] = {
      {IDD_FINISH, notice::finish, WizardNoticeAction::finish, true},
      {IDD_FINISH, notice::cancel, WizardNoticeAction::cancel, true},
      {IDD_FINISH, notice::pageDone, WizardNoticeAction::none, true},
      {IDD_RULE_TYPE, notice::cancel, WizardNoticeAction::cancel, true},
      {IDD_PROCESS_PRIVILEGES, notice::cancel, WizardNoticeAction::cancel, true},
      {IDD_APPLICATION, notice::finish, WizardNoticeAction::none, true},  // only the finish page finishes
      {IDD_AUTHORIZED_USERS, notice::apply, WizardNoticeAction::none, true},
      {IDD_COMMAND_LINE, notice::cancel, WizardNoticeAction::none, false},  // a dialog, not a wizard page
      {0, notice::finish, WizardNoticeAction::none, false},
  };
  for (const Case& c : cases) {
    WizardNoticeDecision d = decideWizardNotice(c.page, c.code);
    EXPECT_EQ(d.action, c.action) << c.page << " " << c.code;
    EXPECT_EQ(d.clearCode, c.clear) << c.page << " " << c.code;
  }
}

TEST(ConsoleLogic, PropertySheetNoticesSaveOnlyOnApply) {
  EXPECT_EQ(decideSheetNotice(notice::apply), SheetNoticeAction::save);
  EXPECT_EQ(decideSheetNotice(notice::cancel), SheetNoticeAction::clear);
  EXPECT_EQ(decideSheetNotice(notice::pageDone), SheetNoticeAction::none);
  EXPECT_EQ(decideSheetNotice(notice::finish), SheetNoticeAction::none);
}

}  // namespace
}  // namespace ostrel::snapin
