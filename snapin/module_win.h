#pragma once
// Module-wide state of osadmmc.dll: the instance handle, the counts that decide whether
// the module may be unloaded, the most recently made component data and view, the image
// strips, the clipboard formats and the prompter that message boxes go through.
#include <windows.h>

#include "platform/prompt.h"
#include "wizard/page.h"

namespace ostrel::accounts {
class AccountPicker;
}

namespace ostrel::snapin {

class SnapinData;
class SnapinView;

namespace module {

HINSTANCE instance() noexcept;
void setInstance(HINSTANCE instance) noexcept;

// Live class objects, SnapinData, SnapinView and SnapinAbout objects (data objects are not counted).
void objectCreated() noexcept;
void objectDestroyed() noexcept;
LONG objectCount() noexcept;
// IClassFactory::LockServer.
void lock() noexcept;
void unlock() noexcept;
LONG lockCount() noexcept;

// Bitmaps IDB_STRIP_16 (six 16x16 images) and IDB_STRIP_32 (six 32x32 images), loaded once,
// kept for the process.
void loadImageStrips() noexcept;
HBITMAP smallImageStrip() noexcept;
HBITMAP largeImageStrip() noexcept;

// Registered when the module is loaded.
struct ClipboardFormats {
  CLIPFORMAT displayName;
  CLIPFORMAT nodeType;
  CLIPFORMAT szNodeType;
  CLIPFORMAT snapinClassId;
  CLIPFORMAT itemPointer;
};
const ClipboardFormats& clipboardFormats() noexcept;

// True on an NT-family system (GetVersionExW's platform id is not VER_PLATFORM_WIN32_WINDOWS).
bool ntFamily() noexcept;

// What the wizard's and property sheets' pages ask of the platform.
wizard::PageServices& pageServices() noexcept;
// The directory object picker behind the account pages' Add buttons (null if it cannot be made).
accounts::AccountPicker* accountPicker() noexcept;

// Message boxes of the snap-in (MessageBoxW).
Prompter& prompter() noexcept;

}  // namespace module

// Every COM object that the module counts derives from this.
class ModuleCounted {
 public:
  ModuleCounted() noexcept { module::objectCreated(); }
  ModuleCounted(const ModuleCounted&) = delete;
  ModuleCounted& operator=(const ModuleCounted&) = delete;
  ~ModuleCounted() { module::objectDestroyed(); }
};

}  // namespace ostrel::snapin
