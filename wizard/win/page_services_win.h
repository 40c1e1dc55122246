#pragma once
// What the pages ask of the platform beyond their dialog: the open-file dialog, help,
// page notices to the console, notices to the user and the wait cursor.
#include <windows.h>

#include "wizard/page.h"

namespace ostrel::wizard::win {

class Win32PageServices final : public PageServices {
 public:
  explicit Win32PageServices(HINSTANCE module) noexcept : module_(module) {}

  std::optional<std::wstring> pickExecutable(WindowHandle owner) override;
  std::optional<std::wstring> editCommandLine(WindowHandle owner, const std::wstring& line) override;
  void openHelp(WindowHandle owner, const std::wstring& url) override;
  void sendPageNotice(std::intptr_t notifyHandle, const PageNotice& notice) override;
  void notice(WindowHandle owner, int number) override;
  void setWaitCursor(bool waiting) override;

 private:
  HINSTANCE module_;
  HCURSOR previousCursor_ = nullptr;
};

}  // namespace ostrel::wizard::win
