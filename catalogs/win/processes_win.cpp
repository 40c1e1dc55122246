#include "catalogs/win/processes_win.h"

#include <tlhelp32.h>

#include <cstring>

#include "platform/win/handles.h"

namespace ostrel::catalogs::win {
namespace {

using ostrel::win::Handle;

constexpr DWORD queryReadOperate = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_VM_OPERATION;
constexpr DWORD listedLineBytes = 260;
constexpr std::size_t listedLineChars = 260;

template <typename F>
F procedure(HMODULE module, const char* name) {
  return module != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

bool readMemory(HANDLE process, ULONG_PTR address, void* into, SIZE_T size) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), into, size, &read) != FALSE && read == size;
}

template <typename T>
T field(const unsigned char* record, std::size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

// A ToolHelp snapshot of the processes.
bool enumerateWithToolHelp(ProcessCallback callback, LPARAM value) {
  const Handle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;  // 568 bytes in a 64-bit module (556 in a 32-bit one)
  for (BOOL more = Process32FirstW(processes.get(), &entry); more; more = Process32NextW(processes.get(), &entry))
    if (!callback(entry.th32ProcessID, 0, entry.szExeFile, value)) break;
  return true;
}

BOOL addCommandLine(DWORD processId, WORD, const wchar_t*, LPARAM value) {
  if (processId == 0) return TRUE;
  const Handle process(OpenProcess(queryReadOperate, FALSE, processId));
  if (!process) return TRUE;
  wchar_t line[listedLineChars] = {};
  if (ReadProcessCommandLine(process.get(), line, listedLineBytes) && line[0] != L'\0')
    reinterpret_cast<std::vector<std::wstring>*>(value)->emplace_back(line);
  return TRUE;
}

}  // namespace

bool EnableNamedPrivilege(const wchar_t* name) {
  Handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, token.put())) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  // A privilege the token lacks "succeeds" with ERROR_NOT_ALL_ASSIGNED.
  return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE &&
         GetLastError() == ERROR_SUCCESS;
}

bool EnumerateProcesses(ProcessCallback callback, LPARAM value) { return enumerateWithToolHelp(callback, value); }

static_assert(sizeof(void*) == 8 && sizeof(ULONG_PTR) == 8,
              "a process's own records are read through the 64-bit layout: build the module for x64");
static_assert(sizeof(PROCESSENTRY32W) == 568, "the x64 size of a ToolHelp process entry");

// The module is 64-bit, so it reads a 64-bit process through the 64-bit layout of the
// process records (the basic information's environment block address at 8, the block's
// parameters at 0x20, the command line's length at 0x70 and its text address at 0x78).
// A 32-bit process on a 64-bit system also has a 32-bit environment block, which the
// WOW64 information query gives; that one is read through the 32-bit layout (0x10, then
// the length at 0x40 and the text at 0x44). Either way the limit is on the byte length.
bool ReadProcessCommandLine(HANDLE process, wchar_t* buffer, DWORD limitBytes) {
  using QueryFn = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  const auto query = procedure<QueryFn>(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
  if (query == nullptr) return false;
  constexpr ULONG basicInformation = 0, wow64Information = 26;

  ULONG_PTR wow64Block = 0;
  if (query(process, wow64Information, &wow64Block, sizeof wow64Block, nullptr) < 0) wow64Block = 0;
  USHORT length = 0;
  ULONG_PTR text = 0;
  if (wow64Block != 0) {
    unsigned char block[28], parameters[144];
    if (!readMemory(process, wow64Block, block, sizeof block)) return false;
    if (!readMemory(process, field<std::uint32_t>(block, 0x10), parameters, sizeof parameters)) return false;
    length = field<USHORT>(parameters, 0x40);
    text = field<std::uint32_t>(parameters, 0x44);
  } else {
    unsigned char information[48], block[0x28], parameters[0x80];
    if (query(process, basicInformation, information, sizeof information, nullptr) < 0) return false;
    if (!readMemory(process, field<ULONG_PTR>(information, 8), block, sizeof block)) return false;
    if (!readMemory(process, field<ULONG_PTR>(block, 0x20), parameters, sizeof parameters)) return false;
    length = field<USHORT>(parameters, 0x70);
    text = field<ULONG_PTR>(parameters, 0x78);
  }
  if (length > limitBytes) return false;
  std::memset(buffer, 0, limitBytes);
  if (!readMemory(process, text, buffer, length)) return false;
  buffer[length / sizeof(wchar_t)] = L'\0';
  return true;
}

bool RunningProcesses::enableDebugPrivilege() { return EnableNamedPrivilege(L"SeDebugPrivilege"); }

std::vector<std::wstring> RunningProcesses::commandLines() {
  std::vector<std::wstring> lines;
  (void)EnumerateProcesses(addCommandLine, reinterpret_cast<LPARAM>(&lines));
  return lines;
}

}  // namespace ostrel::catalogs::win
