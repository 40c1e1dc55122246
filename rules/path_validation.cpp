#include "rules/path_validation.h"

#include <array>
#include <cstdint>
#include <cwctype>

#include "platform/registry.h"  // namesEqual, the one case-insensitive comparison
#include "resources/strings.h"

namespace ostrel::rules {
namespace {

constexpr std::array<std::wstring_view, 23> reservedNames = {
    L"CON",  L"PRN",  L"AUX",  L"CLOCK$", L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6", L"COM7",
    L"COM8", L"COM9", L"LPT1", L"LPT2",   L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

bool isSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

int show(Prompter& prompter, WindowHandle owner, unsigned id, std::uint32_t style) {
  return prompter.messageBox(owner, std::wstring(res::string(id)), std::wstring(res::string(IDS_PRODUCT_CAPTION)),
                             style);
}

}  // namespace

bool validatePathRule(std::wstring& path, bool& ownershipCheck, WindowHandle owner, Prompter& prompter) {
  auto refuse = [&](unsigned id) {
    show(prompter, owner, id, mb::iconError);
    return false;
  };

  while (!path.empty() && isSpace(path.back())) path.pop_back();
  std::size_t start = 0;
  while (start < path.size() && isSpace(path[start])) ++start;
  path.erase(0, start);

  if (path.empty()) return refuse(IDS_PATH_EMPTY);
  // Counted in UTF-16 units, as Windows counts a path: a character beyond the basic plane is two.
  std::size_t units = path.size();
  for (wchar_t c : path) units += static_cast<std::uint32_t>(c) > 0xFFFF ? 1 : 0;
  if (units > maxPathPatternChars) return refuse(IDS_PATH_TOO_LONG);

  // Wildcards may stand in the file name and in the first directory component only.
  const std::size_t firstBackslash = path.find(L'\\');
  const std::size_t lastBackslash = path.rfind(L'\\');
  for (wchar_t wildcard : {L'*', L'?'}) {
    std::size_t at = path.find(wildcard);
    if (at != std::wstring::npos && firstBackslash != std::wstring::npos && at > firstBackslash &&
        at < lastBackslash)
      return refuse(IDS_PATH_WILDCARD_IN_DIRECTORY);
  }

  const std::wstring fileName = lastBackslash == std::wstring::npos ? path : path.substr(lastBackslash + 1);
  if (fileName.find_first_of(L"<>:\"/|\\") != std::wstring::npos) return refuse(IDS_FILE_NAME_CHARACTERS);
  if (path.find_first_of(L"<>\"/|") != std::wstring::npos) return refuse(IDS_PATH_CHARACTERS);
  for (auto name : reservedNames)
    if (namesEqual(fileName, name)) return refuse(IDS_PATH_RESERVED_NAME);

  if (path.back() == L'\\' &&
      show(prompter, owner, IDS_PATH_TRAILING_BACKSLASH, mb::yesNo | mb::iconExclamation) != answer::yes)
    return false;

  if (ownershipCheck && path.starts_with(L"\\\\")) {
    if (show(prompter, owner, IDS_PATH_OWNERSHIP_ON_SHARE, mb::yesNo | mb::iconError) != answer::yes) return false;
    ownershipCheck = false;
  }

  if (path.front() == L'*' || path.front() == L'?') return refuse(IDS_PATH_LEADING_WILDCARD);
  return true;
}

}  // namespace ostrel::rules
