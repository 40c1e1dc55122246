#pragma once
// Answers real message boxes shown on the test's thread without a person: a WH_CBT hook sees
// each box when it is activated, records its caption, text, buttons, icon and owner, and posts
// a click on the button the test scripted. A box nobody scripted is recorded and closed with
// its most cautious button (No, Cancel or OK), so a test never waits for a click.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/win/handles.h"

namespace ostrel::console {

struct SeenMessageBox {
  std::wstring caption, text;
  UINT style = 0;  // the MB_ buttons and icon flags read back from the box's controls
  HWND owner = nullptr;
  int clicked = 0;  // the button the answerer clicked
  bool scripted = false;
};

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() { hook_.reset(SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId())); current() = this; }
  ~MessageBoxAnswerer() { current() = nullptr; }
  [[nodiscard]] bool installed() const { return static_cast<bool>(hook_); }
  void answerNext(int button) { script_.push_back(button); }  // IDYES, IDNO, IDOK...
  // Another modal dialog (the open-file dialog, a notice): the next one activated that has
  // control id is handed to act, which answers it (typically by posting a click).
  void answerDialog(int id, std::function<void(HWND)> act) { dialogs_.push_back({id, std::move(act)}); }
  [[nodiscard]] std::size_t dialogsUnanswered() const { return dialogs_.size(); }
  [[nodiscard]] std::size_t unanswered() const { return script_.size(); }
  std::vector<SeenMessageBox> seen;

 private:
  static MessageBoxAnswerer*& current() {
    thread_local MessageBoxAnswerer* answerer = nullptr;
    return answerer;
  }
  static std::wstring text(HWND window) {
    wchar_t buffer[1024] = {};
    return std::wstring(buffer, static_cast<std::size_t>(std::max(0, GetWindowTextW(window, buffer, 1024))));
  }
  static bool isClass(HWND window, const wchar_t* name) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return lstrcmpiW(buffer, name) == 0;
  }
  static UINT style(HWND box) {
    auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    UINT style = has(IDYES) ? (has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO) : has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
    // The icon, compared with the system's shared ones.
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      if (!isClass(c, L"Static") || (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
      const auto icon = reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0));
      for (auto [id, flag] : {std::pair{IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
                              {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}})
        if (LoadIconW(nullptr, id) == icon) style |= flag;
    }
    return style;
  }
  static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (MessageBoxAnswerer* self = current(); self != nullptr) {
      if (code == HCBT_ACTIVATE) self->onActivate(window);
      if (code == HCBT_DESTROYWND) self->handled_.erase(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  void onActivate(HWND window) {
    // A message box is a dialog with the text control 0xFFFF; property sheets are not.
    const HWND textControl = GetDlgItem(window, 0xFFFF);
    if (!isClass(window, L"#32770") || handled_.count(window) != 0) return;
    if (textControl == nullptr) {
      if (dialogs_.empty() || !hasControl(window, dialogs_.front().first)) return;
      handled_.insert(window);
      auto act = std::move(dialogs_.front().second);
      dialogs_.pop_front();
      act(window);
      return;
    }
    handled_.insert(window);
    SeenMessageBox box{text(window), text(textControl), style(window), GetWindow(window, GW_OWNER), 0, !script_.empty()};
    box.clicked = IDCANCEL;
    if (box.scripted) {
      box.clicked = script_.front();
      script_.pop_front();
    } else {
      for (int id : {IDOK, IDCANCEL, IDNO})  // the last one the box has: the one that changes least
        if (GetDlgItem(window, id) != nullptr) box.clicked = id;
    }
    seen.push_back(box);
    // Posted, not sent: the box's own modal loop takes the click once it is running.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(box.clicked, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, box.clicked)));
  }

  // Explorer-style dialogs keep their controls in a child dialog: look one level down too.
  static bool hasControl(HWND window, int id) {
    if (GetDlgItem(window, id) != nullptr) return true;
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
      if (GetDlgItem(c, id) != nullptr) return true;
    return false;
  }

  win::Hook hook_;
  std::deque<int> script_;
  std::deque<std::pair<int, std::function<void(HWND)>>> dialogs_;
  std::set<HWND> handled_;
};

}  // namespace ostrel::console
