#pragma once
// Answers real message boxes shown on the test's thread without a person: a WH_CBT hook sees
// each box when it is activated, records its caption, text, buttons, icon and owner, and
// posts a click on the button the test scripted. A box nobody scripted is recorded and
// closed with its most cautious button (No, Cancel or OK), so a test never waits for a click.
#include <windows.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/win/handles.h"

namespace ostrel::console {

struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  UINT style = 0;   // the MB_ buttons and icon flags read back from the box's controls
  HWND owner = nullptr;
  int clicked = 0;  // the button id the answerer clicked
  bool scripted = false;
};

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer();   // installs the hook on the calling thread
  ~MessageBoxAnswerer();  // removes it
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  [[nodiscard]] bool installed() const { return static_cast<bool>(hook_); }
  // The next box gets a click on this button (IDYES, IDNO, IDOK...).
  void answerNext(int button) { script_.push_back(button); }
  [[nodiscard]] std::size_t unanswered() const { return script_.size(); }

  std::vector<SeenMessageBox> seen;

 private:
  static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
  void onActivate(HWND window);

  win::Hook hook_;
  std::deque<int> script_;
  std::set<HWND> handled_;
  MessageBoxAnswerer* previous_ = nullptr;
};

}  // namespace ostrel::console
