#pragma once
// The base of every wizard and property page: one hook per sheet notification, the shared
// state of the sheet the page belongs to, and the common handling of Next, Back, Apply,
// Cancel, Help and the changed mark. A page's own logic overrides the hooks.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "rules/rule.h"
#include "wizard/dialog.h"
#include "wizard/page_notice.h"
#include "wizard/page_table.h"

namespace ostrel::wizard {

enum class Mode { wizard, properties };

// Sets a flag for one scope, cleared on every way out.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag_ = false; }

 private:
  bool& flag_;
};

// What pages need beyond their own dialog; the Windows build gives the platform's, tests
// give scripted doubles.
class PageServices {
 public:
  virtual ~PageServices() = default;
  // The open-file dialog for an executable; the full path, or nothing unless OK was pressed.
  virtual std::optional<std::wstring> pickExecutable(WindowHandle owner) = 0;
  // The Get Command Line dialog, opened on line; the line it ends with, or nothing unless
  // OK was pressed.
  virtual std::optional<std::wstring> editCommandLine(WindowHandle owner, const std::wstring& line) = 0;
  // Opens a help address; failures are not reported.
  virtual void openHelp(WindowHandle owner, const std::wstring& url) = 0;
  // Hands a page notice to the console (MMCPropertyChangeNotify).
  virtual void sendPageNotice(std::intptr_t notifyHandle, const PageNotice& notice) = 0;
  // A suppressible warning: shown unless the user has asked not to see it again.
  virtual void notice(WindowHandle owner, int number) = 0;
  // The wait cursor while a file is hashed.
  virtual void setWaitCursor(bool waiting) = 0;
};

class Page;

// What the pages of one sheet share. Every page holds it, so it lives as long as the last
// page; the Rule belongs to the owner, which the hold keeps alive as long as the sheet.
struct Sheet {
  Sheet(Rule& r, Mode m, PageOwner* o, std::intptr_t handle, PageServices& s)
      : rule(r), mode(m), owner(o), notifyHandle(handle), services(s), initialRuleType(r.type()),
        wizardRuleType(m == Mode::properties ? r.type() : RuleType::None) {}

  // What the owner keeps alive for the pages (the Rule, the owner itself, its store access)
  // until the last page is released; let go after everything below.
  std::shared_ptr<void> ownerHold;
  Rule& rule;
  const Mode mode;
  PageOwner* const owner;
  const std::intptr_t notifyHandle;
  PageServices& services;
  const RuleType initialRuleType;  // what a cancel from the finish page writes back
  RuleType wizardRuleType;         // chosen on the first page, read by the others
  // Set once the command lines page has been shown, so a rule type change can empty it.
  Page* commandLines = nullptr;
  // The dialog of the first page made, inside the sheet's window; 0 until then.
  WindowHandle firstPageWindow = 0;
};

class Page {
 public:
  Page(PageKind kind, std::shared_ptr<Sheet> sheet);
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;
  virtual ~Page();

  [[nodiscard]] const PageInfo& info() const { return info_; }
  [[nodiscard]] Sheet& sheet() const { return *sheet_; }
  [[nodiscard]] Rule& rule() const { return sheet_->rule; }
  [[nodiscard]] Mode mode() const { return sheet_->mode; }
  [[nodiscard]] bool hasDialog() const { return dialog_ != nullptr; }
  [[nodiscard]] std::shared_ptr<Sheet> sharedSheet() const { return sheet_; }

  // What the dialog procedure forwards. Results are what the sheet expects: Next 0 to go
  // on or -1 to stay, Apply 0 (PSNRET_NOERROR) or 1 (PSNRET_INVALID), Cancel 0 to close.
  void initDialog(Dialog& dialog);
  void dialogDestroyed() { dialog_ = nullptr; }
  void command(ControlId id, int notification);
  void notify(ControlId id, int notification);
  void setActive();
  int next();
  int back();
  int finish();
  int queryCancel();
  int apply();
  void help();

  // The rule type changed on the first page: a page that shows part of the old rule forgets it.
  virtual void ruleReset() {}

 protected:
  virtual void onInit() {}
  virtual void onShow() {}  // after the sheet's buttons are set
  // Checks what Next (and Apply) needs and copies it into the Rule; false stays on the page.
  virtual bool onNext() { return true; }
  virtual bool onApply() { return onNext(); }
  // Back copies only on pages that keep half-done input; false lets Back happen silently.
  virtual bool onBack() { return false; }
  virtual bool handlesApply() const { return true; }
  virtual int finishResult() { return 0; }
  virtual RuleType typeOnCancel() const { return sheet_->wizardRuleType; }
  virtual void onCommand(ControlId, int) {}
  virtual void onNotify(ControlId, int) {}

  [[nodiscard]] Dialog& dialog() const { return *dialog_; }
  [[nodiscard]] PageServices& services() const { return sheet_->services; }
  void sendNotice(std::int32_t code);
  // In an existing rule's sheet, an edit enables Apply. Texts and states the page sets
  // itself while its dialog is initialised or shown are not edits, though a system edit
  // control reports them as changes.
  void changed();
  [[nodiscard]] bool settingUp() const { return settingUp_; }
  // A box owned by the page with the product's caption.
  int message(const std::wstring& text, std::uint32_t style);

 private:
  const PageInfo& info_;
  std::shared_ptr<Sheet> sheet_;
  Dialog* dialog_ = nullptr;
  bool settingUp_ = false;
};

}  // namespace ostrel::wizard
