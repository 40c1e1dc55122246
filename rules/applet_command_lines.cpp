#include "rules/applet_command_lines.h"

#include "resources/string_ids.h"

namespace ostrel::rules {
namespace {

constexpr std::wstring_view shortShell32 = L" shell32.dll,";
constexpr std::wstring_view fullShell32 = L" %SystemRoot%\\system32\\shell32.dll,";

// Case-sensitive; a match at the very first character does not count.
bool contains(std::wstring_view line, std::wstring_view part) { return line.find(part, 1) != std::wstring_view::npos; }

std::wstring replaceAll(std::wstring_view line, std::wstring_view from, std::wstring_view to) {
  std::wstring out;
  for (std::size_t at = 0;;) {
    const std::size_t found = line.find(from, at);
    out.append(line.substr(at, found - at));
    if (found == std::wstring_view::npos) return out;
    out.append(to);
    at = found + from.size();
  }
}

}  // namespace

std::vector<AppletStep> appletSteps(std::wstring_view line) {
  std::vector<AppletStep> steps;
  if (contains(line, shortShell32)) {
    steps.push_back({IDS_NOTICE_SECOND_SYNTAX, {}});
    steps.push_back({0, replaceAll(line, shortShell32, fullShell32)});
  }
  if (contains(line, L"nusrmgr.cpl")) steps.push_back({0, L"rundll32.exe D:\\WINNT\\System32\\netplwiz.dll,UsersRunDll"});
  if (contains(line, L"sticpl.cpl"))
    steps.push_back({0, L"\"%SystemRoot%\\system32\\\\rundll32.exe\" wiashext.dll,AddDeviceWasChosen"});
  if (contains(line, L"timedate.cpl") || contains(line, L"wiashext.dll") || contains(line, L"sticpl.cpl"))
    steps.push_back({IDS_NOTICE_APPLET_PRIVILEGES, {}});
  return steps;
}

}  // namespace ostrel::rules
