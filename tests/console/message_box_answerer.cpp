#include "tests/console/message_box_answerer.h"

namespace ostrel::console {

namespace {

thread_local MessageBoxAnswerer* current = nullptr;

// The message box's text control.
constexpr int textControlId = 0xFFFF;

std::wstring windowText(HWND window) {
  int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  n = GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  int n = GetClassNameW(window, name, 64);
  return std::wstring(name, static_cast<std::size_t>(n > 0 ? n : 0));
}

bool hasButton(HWND box, int id) { return GetDlgItem(box, id) != nullptr; }

UINT buttonsStyle(HWND box) {
  const bool yes = hasButton(box, IDYES), no = hasButton(box, IDNO), ok = hasButton(box, IDOK),
             cancel = hasButton(box, IDCANCEL), retry = hasButton(box, IDRETRY), abort = hasButton(box, IDABORT);
  if (yes && no) return cancel ? MB_YESNOCANCEL : MB_YESNO;
  if (abort) return MB_ABORTRETRYIGNORE;
  if (retry) return MB_RETRYCANCEL;
  if (ok && cancel) return MB_OKCANCEL;
  return MB_OK;
}

struct IconSearch {
  HICON found = nullptr;
};

BOOL CALLBACK findIcon(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<IconSearch*>(param);
  if (className(child) == L"Static" || className(child) == L"STATIC") {
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
      search->found = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      return FALSE;
    }
  }
  return TRUE;
}

// The icon flag of a box, by comparing its icon with the system's shared ones.
UINT iconStyle(HWND box) {
  IconSearch search;
  EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return 0;
  struct {
    LPCWSTR id;
    UINT style;
  } const icons[] = {{IDI_HAND, MB_ICONHAND},
                     {IDI_QUESTION, MB_ICONQUESTION},
                     {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                     {IDI_ASTERISK, MB_ICONASTERISK}};
  for (const auto& icon : icons)
    if (LoadIconW(nullptr, icon.id) == search.found) return icon.style;
  return 0;
}

// Without a script: the answer that changes the least.
int cautiousButton(HWND box) {
  for (int id : {IDNO, IDCANCEL, IDOK})
    if (hasButton(box, id)) return id;
  return IDCANCEL;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer() : previous_(current) {
  current = this;
  hook_.reset(SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId()));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  hook_.reset();
  current = previous_;
}

LRESULT CALLBACK MessageBoxAnswerer::hookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (current != nullptr) {
    if (code == HCBT_ACTIVATE) current->onActivate(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_DESTROYWND) current->handled_.erase(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxAnswerer::onActivate(HWND window) {
  // A message box is a dialog with the text control; property sheets and other dialogs are not.
  if (className(window) != L"#32770" || GetDlgItem(window, textControlId) == nullptr) return;
  if (!handled_.insert(window).second) return;  // activated again: already answered

  SeenMessageBox box;
  box.caption = windowText(window);
  box.text = windowText(GetDlgItem(window, textControlId));
  box.style = buttonsStyle(window) | iconStyle(window);
  box.owner = GetWindow(window, GW_OWNER);
  box.scripted = !script_.empty();
  box.clicked = box.scripted ? script_.front() : cautiousButton(window);
  if (box.scripted) script_.pop_front();
  seen.push_back(box);
  // Posted, not sent: the box's own modal loop takes the click once it is running.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(box.clicked, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, box.clicked)));
}

}  // namespace ostrel::console
