#pragma once
// What the console double's MMCPropertyChangeNotify handle points to: the window whose message
// loop delivers a page notice to the snap-in on the console's thread. Shared by the double and
// the stand-in console module (mmcndmgr.dll) that exports MMCPropertyChangeNotify.
#include <windows.h>

namespace ostrel::console {

struct NotifyRoute {
  static constexpr DWORD magicValue = 0x4E434D4D;
  static constexpr UINT message = WM_APP + 0x31;  // wParam: the handle, lParam: the param
  DWORD magic = magicValue;
  HWND window = nullptr;
};

}  // namespace ostrel::console
