#pragma once
// A dialog without a window: each control kind modelled as far as the pages use it (texts,
// check state, enabling, focus, sorted list boxes, report list views), message boxes
// answered from a script and recorded, and the sheet's buttons and changed mark. The user's
// actions (type, click) call the page as the dialog procedure would.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "resources/strings.h"
#include "rules/list_box_order.h"
#include "wizard/page.h"
#include "wizard/rule_sheet.h"

namespace ostrel::wizard::testing {

struct Box {
  std::wstring text;
  std::uint32_t style;
};

class FakeDialog final : public Dialog {
 public:
  struct Control {
    std::wstring text;
    bool checked = false, enabled = true;
    std::vector<std::wstring> lines;              // list box
    std::vector<std::vector<std::wstring>> rows;  // list view
    std::vector<std::wstring> columns;
    int selection = -1;
  };

  WindowHandle window() const override { return 0x1234; }
  std::wstring text(ControlId id) const override { return at(id).text; }
  // As the system's edit does, a text set by the program is reported as a change (labels
  // report nothing, but no page acts on a label's change). A refused text changes nothing.
  bool setText(ControlId id, std::wstring_view t) override {
    if (refuseText.contains(id)) return false;
    c(id).text = t;
    if (commandPage) commandPage(id, code::editChange);
    return true;
  }
  bool checked(ControlId id) const override { return at(id).checked; }
  void setChecked(ControlId id, bool v) override { c(id).checked = v; }
  bool enabled(ControlId id) const override { return at(id).enabled; }
  void enable(ControlId id, bool v) override { c(id).enabled = v; }
  // A list view tells its page when it gains the focus or its selection changes, as the
  // control does when the page itself sets either.
  void focus(ControlId id) override {
    focused = id;
    if (!at(id).columns.empty() && notifyPage) notifyPage(id, code::setFocus);
  }
  void beep() override { ++beeps; }

  // Sorted as the system list box sorts.
  int listBoxAdd(ControlId id, std::wstring_view t) override {
    auto& lines = c(id).lines;
    const auto at = lines.begin() + static_cast<std::ptrdiff_t>(rules::listBoxInsertPosition(lines, t));
    return static_cast<int>(lines.insert(at, std::wstring(t)) - lines.begin());
  }
  void listBoxDelete(ControlId id, int i) override { c(id).lines.erase(c(id).lines.begin() + i); }
  void listBoxClear(ControlId id) override { c(id).lines.clear(); }
  int listBoxCount(ControlId id) const override { return static_cast<int>(at(id).lines.size()); }
  std::wstring listBoxText(ControlId id, int i) const override { return at(id).lines.at(static_cast<std::size_t>(i)); }
  int listBoxSelection(ControlId id) const override { return at(id).selection; }
  void listBoxSelect(ControlId id, int i) override { c(id).selection = i; }

  void listViewInit(ControlId id, std::span<const ListColumn> cols) override {
    for (const ListColumn& col : cols) c(id).columns.push_back(std::wstring(res::string(col.title)) + L":" + std::to_wstring(col.width));
  }
  int listViewInsert(ControlId id, int row, std::wstring_view t) override {
    auto& rows = c(id).rows;
    row = std::min(row, static_cast<int>(rows.size()));
    rows.insert(rows.begin() + row, {std::wstring(t)});
    if (c(id).selection >= row) ++c(id).selection;  // the selected item moves down
    return row;
  }
  void listViewSetText(ControlId id, int row, int col, std::wstring_view t) override {
    auto& cells = c(id).rows.at(static_cast<std::size_t>(row));
    if (cells.size() <= static_cast<std::size_t>(col)) cells.resize(static_cast<std::size_t>(col) + 1);
    cells[static_cast<std::size_t>(col)] = t;
  }
  void listViewDelete(ControlId id, int row) override {
    c(id).rows.erase(c(id).rows.begin() + row);
    int& selection = c(id).selection;
    selection = selection == row ? -1 : selection > row ? selection - 1 : selection;
  }
  void listViewClear(ControlId id) override { c(id).rows.clear(), c(id).selection = -1; }
  int listViewCount(ControlId id) const override { return static_cast<int>(at(id).rows.size()); }
  std::wstring listViewText(ControlId id, int row, int col) const override {
    const auto& cells = at(id).rows.at(static_cast<std::size_t>(row));
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)] : std::wstring();
  }
  int listViewSelection(ControlId id) const override { return at(id).selection; }
  void listViewSelect(ControlId id, int row) override {
    c(id).selection = row < listViewCount(id) ? row : -1;
    if (notifyPage) notifyPage(id, code::itemChanged);
  }

  int messageBox(const std::wstring& t, const std::wstring&, std::uint32_t style) override {
    boxes.push_back({t, style});
    if (answers.empty()) return answer::ok;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  void setWizardButtons(std::uint32_t flags) override { buttons = flags; }
  void markChanged() override { ++changedMarks; }

  Control& c(ControlId id) { return controls[id]; }
  const Control& at(ControlId id) const {
    static const Control none;
    auto it = controls.find(id);
    return it == controls.end() ? none : it->second;
  }

  std::map<ControlId, Control> controls;
  std::deque<int> answers;  // message box answers, in order; OK when none is left
  std::vector<Box> boxes;
  std::uint32_t buttons = 0;
  int changedMarks = 0, beeps = 0;
  ControlId focused = 0;
  std::function<void(ControlId, int)> notifyPage;   // the dialog procedure's WM_NOTIFY
  std::function<void(ControlId, int)> commandPage;  // and its WM_COMMAND
  std::set<ControlId> refuseText;                    // controls whose setText fails
};

class FakeServices final : public PageServices {
 public:
  std::optional<std::wstring> pickExecutable(WindowHandle) override { return picked; }
  // The Get Command Line dialog: each opening takes the next scripted answer (Cancel when
  // none is left) and records the line it was opened on.
  std::optional<std::wstring> editCommandLine(WindowHandle, const std::wstring& line) override {
    edited.push_back(line);
    if (commandLines.empty()) return std::nullopt;
    auto answer = commandLines.front();
    commandLines.pop_front();
    return answer;
  }
  void openHelp(WindowHandle, const std::wstring& url) override { helpUrls.push_back(url); }
  void sendPageNotice(std::intptr_t handle, const PageNotice& n) override {
    EXPECT_EQ(handle, 77) << "every page is made with the console's handle";
    notices.push_back(n);
  }
  void notice(WindowHandle, int number) override { shownNotices.push_back(number); }
  void setWaitCursor(bool waiting) override { cursor.push_back(waiting); }

  std::optional<std::wstring> picked;  // what the open-file dialog answers
  std::deque<std::optional<std::wstring>> commandLines;
  std::vector<std::wstring> edited;
  std::vector<std::wstring> helpUrls;
  std::vector<PageNotice> notices;
  std::vector<int> shownNotices;
  std::vector<bool> cursor;
};

struct Owner final : PageOwner {
  void save() override {}
};

// A sheet as the platform runs it: a page's dialog is made the first time it is shown; Next
// and Back move only when the page lets them.
class FakeSheet {
 public:
  FakeSheet(Rule& rule, Mode mode) : pages(makeRulePages(rule, mode, &owner, 77, services)), dialogs(pages.size()) {
    show(0);
  }

  void show(std::size_t index) {
    current = index;
    if (!dialogs[index]) {
      dialogs[index] = std::make_unique<FakeDialog>();
      dialogs[index]->notifyPage = [page = pages[index].get()](ControlId id, int n) { page->notify(id, n); };
      dialogs[index]->commandPage = [page = pages[index].get()](ControlId id, int n) { page->command(id, n); };
      pages[index]->initDialog(*dialogs[index]);
    }
    pages[index]->setActive();
  }
  int next() {
    const int result = page().next();
    if (result == 0 && current + 1 < pages.size()) show(current + 1);
    return result;
  }
  int back() {
    const int result = page().back();
    if (result == 0 && current > 0) show(current - 1);
    return result;
  }
  Page& page() { return *pages[current]; }
  FakeDialog& dialog() { return *dialogs[current]; }
  FakeDialog& dialog(PageKind kind) { return *dialogs[static_cast<std::size_t>(kind)]; }

  // What a user does: the control changes, then the dialog procedure tells the page.
  void type(ControlId id, std::wstring text) {
    dialog().c(id).text = std::move(text);
    page().command(id, code::editChange);
  }
  void click(ControlId id) { page().command(id, code::clicked); }
  void toggle(ControlId id) {
    dialog().c(id).checked = !dialog().c(id).checked;
    click(id);
  }
  void choose(ControlId radio) {  // an automatic radio button checks itself
    dialog().c(radio).checked = true;
    click(radio);
  }

  Owner owner;
  FakeServices services;
  std::vector<std::unique_ptr<Page>> pages;
  std::vector<std::unique_ptr<FakeDialog>> dialogs;
  std::size_t current = 0;
};

}  // namespace ostrel::wizard::testing
