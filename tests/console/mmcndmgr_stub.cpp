// A stand-in for the console's module that exports MMCPropertyChangeNotify. Placed next to the
// test program it is found before Wine's own mmcndmgr.dll, which lacks the export. Like the
// console, it only posts the notice: the console double's message loop delivers it to the
// snap-in on the console's thread.
#include "tests/console/notify_route.h"

extern "C" __declspec(dllexport) HRESULT WINAPI MMCPropertyChangeNotify(LONG_PTR handle, LPARAM param) {
  const auto* route = reinterpret_cast<const ostrel::console::NotifyRoute*>(handle);
  if (route == nullptr || route->magic != ostrel::console::NotifyRoute::magicValue || !IsWindow(route->window))
    return E_INVALIDARG;
  return PostMessageW(route->window, ostrel::console::NotifyRoute::message, static_cast<WPARAM>(handle), param)
             ? S_OK
             : HRESULT_FROM_WIN32(GetLastError());
}
