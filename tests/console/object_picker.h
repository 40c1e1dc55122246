#pragma once
// The directory object picker, served in this process instead of the system's: a class object
// for CLSID_DsObjectPicker registered with CoRegisterClassObject while the double lives. Each
// picker it makes records Initialize's configuration and answers InvokeDialog with the
// scripted selection, as a DS_SELECTION_LIST in global memory under the
// CFSTR_DSOP_DS_SELECTION_LIST format. The objects belong to the double and are counted.
#include <windows.h>
#include <objsel.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/console/counted.h"

namespace ostrel::console {

struct PickedEntry {
  std::wstring name, path, objectClass;
};

// One Initialize call: the structures as given, their pointers cleared, and the scopes copied.
struct PickerInitialization {
  DSOP_INIT_INFO init;
  std::vector<DSOP_SCOPE_INIT_INFO> scopes;
};

class ObjectPicker {
 public:
  explicit ObjectPicker(std::vector<PickedEntry> selection);
  ~ObjectPicker();  // revokes the class object
  ObjectPicker(const ObjectPicker&) = delete;
  ObjectPicker& operator=(const ObjectPicker&) = delete;

  HRESULT offer();
  std::vector<PickedEntry> selection;
  std::vector<PickerInitialization> initializations;
  std::vector<HWND> owners;  // InvokeDialog's parent windows, in order
  // Interfaces still referenced or released too often.
  [[nodiscard]] std::vector<std::string> referenceProblems() const;

  struct Parts;

 private:
  std::unique_ptr<Parts> parts_;
  DWORD cookie_ = 0;
};

}  // namespace ostrel::console
