#pragma once
// Module-wide state of osadmmc.dll: the instance handle, the counts that decide whether
// the module may be unloaded, the image strips, the clipboard formats and the prompter that
// message boxes go through.
#include <windows.h>

#include "platform/prompt.h"
#include "wizard/page.h"

namespace ostrel::accounts {
class AccountPicker;
}

namespace ostrel::snapin {

namespace module {

HINSTANCE instance() noexcept;
void setInstance(HINSTANCE instance) noexcept;

// Live objects the console can hold: class objects, SnapinData, SnapinView, SnapinAbout and
// data objects.
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

// Registered once, when first asked for.
struct ClipboardFormats {
  CLIPFORMAT displayName;
  CLIPFORMAT nodeType;
  CLIPFORMAT szNodeType;
  CLIPFORMAT snapinClassId;
  CLIPFORMAT itemPointer;
};
const ClipboardFormats& clipboardFormats() noexcept;

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
