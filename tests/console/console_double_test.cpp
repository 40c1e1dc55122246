// The console double's own machinery, checked without the module: the editor's data object,
// the reference ledger, text ownership and the answering of real message boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/handles.h"
#include "tests/console/console_double.h"
#include "tests/console/console_guids.h"
#include "tests/console/message_box_answerer.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::console {
namespace {

class ComApartment : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

HRESULT askFormat(IDataObject* data, const wchar_t* name, std::vector<std::uint8_t>& out, std::size_t size) {
  FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name)), nullptr, DVASPECT_CONTENT, -1,
                   TYMED_HGLOBAL};
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  win::GlobalMemory block(GlobalAlloc(GMEM_SHARE | GMEM_ZEROINIT, size));
  medium.hGlobal = block.get();
  HRESULT hr = data->GetDataHere(&format, &medium);
  out.resize(size);
  std::memcpy(out.data(), GlobalLock(medium.hGlobal), size);
  GlobalUnlock(medium.hGlobal);
  return hr;
}

using EditorDouble = ComApartment;

TEST_F(EditorDouble, AnswersTheComputerConfigurationNodeTypeAndNothingElse) {
  EditorNode editor(nullptr);
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(S_OK, askFormat(editor.dataObject(), L"CCF_NODETYPE", bytes, sizeof(GUID)));
  GUID type{};
  std::memcpy(&type, bytes.data(), sizeof type);
  EXPECT_TRUE(IsEqualGUID(ids::nodeIdMachine, type));
  EXPECT_EQ(DV_E_FORMATETC, askFormat(editor.dataObject(), L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}", bytes, 8));
  EXPECT_EQ((std::vector<std::wstring>{L"CCF_NODETYPE", L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}"}),
            editor.formatsAsked);
}

TEST_F(EditorDouble, OffersIGPEInformationOnlyWithAPolicyOpen) {
  win::Win32Registry reg;
  testing::ScratchKey scratch(reg);
  ASSERT_EQ(status::success, scratch.status());
  EditorNode without(nullptr);
  EditorNode with(win::Win32Registry::toHkey(scratch.key()));
  void* p = nullptr;
  EXPECT_EQ(E_NOINTERFACE, without.dataObject()->QueryInterface(ids::gpeInformation, &p));
  EXPECT_EQ(nullptr, p);
  ASSERT_EQ(S_OK, with.dataObject()->QueryInterface(ids::gpeInformation, &p));
  auto* info = static_cast<IGPEInformation*>(p);

  // Every GetRegistryKey is a new handle to the policy's key, which the caller closes.
  HKEY first = nullptr, second = nullptr;
  ASSERT_EQ(S_OK, info->GetRegistryKey(GPO_SECTION_MACHINE, &first));
  ASSERT_EQ(S_OK, info->GetRegistryKey(GPO_SECTION_MACHINE, &second));
  EXPECT_NE(first, second);
  ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(first));
  HKEY child = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(second, L"SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr));
  RegCloseKey(child);
  RegCloseKey(second);
  Registry::Key seen = 0;
  EXPECT_EQ(status::success, reg.openKey(scratch.key(), L"SOFTWARE", access::read, seen));
  reg.closeKey(seen);

  GUID ext = ids::registryExtension, snapin = ids::nodeIdMachine;
  EXPECT_EQ(S_OK, info->PolicyChanged(TRUE, FALSE, &ext, &snapin));
  ASSERT_EQ(1u, with.policyChanges.size());
  EXPECT_FALSE(with.policyChanges[0].add);
  EXPECT_TRUE(IsEqualGUID(ids::registryExtension, with.policyChanges[0].extension));
  EXPECT_EQ((std::vector<DWORD>{GPO_SECTION_MACHINE, GPO_SECTION_MACHINE}), with.sectionsAsked);
  info->Release();
}

using Ledger = ComApartment;

TEST_F(Ledger, NamesTheInterfaceThatLeaksAndTheOneReleasedTwice) {
  win::Win32Registry reg;
  testing::ScratchKey scratch(reg);
  EditorNode editor(win::Win32Registry::toHkey(scratch.key()));
  {
    Console console(editor);
    EXPECT_TRUE(console.referenceProblems().empty());
    void* info = nullptr;
    ASSERT_EQ(S_OK, editor.dataObject()->QueryInterface(ids::gpeInformation, &info));
    editor.dataObject()->AddRef();
    editor.dataObject()->Release();
    editor.dataObject()->Release();
    auto problems = console.referenceProblems();
    ASSERT_EQ(2u, problems.size());
    EXPECT_EQ("editor data object IDataObject: released 1 time(s) more than referenced", problems[0]);
    EXPECT_EQ("editor IGPEInformation: 1 reference(s) never released", problems[1]);
    static_cast<IUnknown*>(info)->Release();
  }
}

TEST_F(Ledger, TextsMustComeFromTheTaskAllocator) {
  EditorNode editor(nullptr);
  Console console(editor);
  auto* owned = static_cast<LPOLESTR>(CoTaskMemAlloc(6 * sizeof(wchar_t)));
  std::memcpy(owned, L"Hello", 6 * sizeof(wchar_t));
  EXPECT_EQ(L"Hello", console.takeText(owned, "text"));
  EXPECT_TRUE(console.problems.empty());
  static wchar_t shared[] = L"Shared";
  EXPECT_EQ(L"Shared", console.takeText(shared, "text"));
  ASSERT_EQ(1u, console.problems.size());
  EXPECT_EQ("text \"Shared\" was not allocated with CoTaskMemAlloc", console.problems[0]);
}

// The stand-in console module posts to the route's window; the console's loop refuses a
// handle that none of its sheets gave out.
using ConsoleModule = ComApartment;

TEST_F(ConsoleModule, PageNoticesArePostedToTheConsoleAndCheckedThere) {
  win::Module owner(LoadLibraryW(L"mmcndmgr.dll"));
  ASSERT_TRUE(owner);
  HMODULE module = owner.get();
  using NotifyFn = HRESULT(WINAPI*)(LONG_PTR, LPARAM);
  auto notify = reinterpret_cast<NotifyFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "MMCPropertyChangeNotify")));
  ASSERT_NE(nullptr, notify);
  EditorNode editor(nullptr);
  Console console(editor);
  EXPECT_EQ(E_INVALIDARG, notify(0, 1));
  NotifyRoute stranger;
  stranger.window = console.mainWindow();
  EXPECT_EQ(S_OK, notify(reinterpret_cast<LONG_PTR>(&stranger), 1));
  EXPECT_TRUE(console.problems.empty());
  EXPECT_EQ(1u, console.pumpMessages());
  EXPECT_TRUE(console.propertyChanges.empty());
  EXPECT_EQ(std::vector<std::string>{"MMCPropertyChangeNotify with a handle the console never gave"}, console.problems);
  stranger.magic = 0;
  EXPECT_EQ(E_INVALIDARG, notify(reinterpret_cast<LONG_PTR>(&stranger), 1));
}

class MessageBoxes : public ComApartment {
 protected:
  void SetUp() override {
    ComApartment::SetUp();
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, owner_);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    ComApartment::TearDown();
  }
  HWND owner_ = nullptr;
};

TEST_F(MessageBoxes, AScriptedClickAnswersTheBoxAndItIsRecorded) {
  MessageBoxAnswerer answerer;
  ASSERT_TRUE(answerer.installed());
  answerer.answerNext(IDYES);
  EXPECT_EQ(IDYES, MessageBoxW(owner_, L"Do you really?", L"Question", MB_YESNO | MB_ICONHAND));
  ASSERT_EQ(1u, answerer.seen.size());
  const SeenMessageBox& box = answerer.seen[0];
  EXPECT_EQ(L"Question", box.caption);
  EXPECT_EQ(L"Do you really?", box.text);
  EXPECT_EQ(0x14u, box.style);
  EXPECT_EQ(owner_, box.owner);
  EXPECT_TRUE(box.scripted);
}

TEST_F(MessageBoxes, AnUnscriptedBoxIsClosedWithItsMostCautiousButton) {
  MessageBoxAnswerer answerer;
  EXPECT_EQ(IDNO, MessageBoxW(owner_, L"Delete?", L"Question", MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(IDOK, MessageBoxW(nullptr, L"Something failed", L"Policy Error", MB_ICONINFORMATION));
  ASSERT_EQ(2u, answerer.seen.size());
  EXPECT_FALSE(answerer.seen[0].scripted);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), answerer.seen[0].style);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), answerer.seen[1].style);
  EXPECT_EQ(nullptr, answerer.seen[1].owner);
}

}  // namespace
}  // namespace ostrel::console
