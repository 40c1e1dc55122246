#include "wizard/path_validation.h"

#include <array>
#include <cstdint>
#include <cwctype>

#include "resources/strings.h"

namespace ostrel::wizard {
namespace {

constexpr unsigned captionId = 13;

constexpr std::array<std::wstring_view, 23> reservedNames = {
    L"CON",  L"PRN",  L"AUX",  L"CLOCK$", L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6", L"COM7",
    L"COM8", L"COM9", L"LPT1", L"LPT2",   L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

bool isSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

bool equalNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) return false;
  return true;
}

int show(Prompter& prompter, WindowHandle owner, unsigned id, std::uint32_t style) {
  return prompter.messageBox(owner, std::wstring(res::string(id)), std::wstring(res::string(captionId)), style);
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

  if (path.empty()) return refuse(pathmsg::empty);
  // Counted in UTF-16 units, as Windows counts a path: a character beyond the basic plane is two.
  std::size_t units = path.size();
  for (wchar_t c : path) units += static_cast<std::uint32_t>(c) > 0xFFFF ? 1 : 0;
  if (units > maxPathPatternChars) return refuse(pathmsg::tooLong);

  // Wildcards may stand in the file name and in the first directory component only.
  const std::size_t firstBackslash = path.find(L'\\');
  const std::size_t lastBackslash = path.rfind(L'\\');
  for (wchar_t wildcard : {L'*', L'?'}) {
    std::size_t at = path.find(wildcard);
    if (at != std::wstring::npos && firstBackslash != std::wstring::npos && at > firstBackslash &&
        at < lastBackslash)
      return refuse(pathmsg::wildcardInDirectory);
  }

  const std::wstring fileName = lastBackslash == std::wstring::npos ? path : path.substr(lastBackslash + 1);
  if (fileName.find_first_of(L"<>:\"/|\\") != std::wstring::npos) return refuse(pathmsg::fileNameCharacters);
  if (path.find_first_of(L"<>\"/|") != std::wstring::npos) return refuse(pathmsg::pathCharacters);
  for (auto name : reservedNames)
    if (equalNoCase(fileName, name)) return refuse(pathmsg::reservedName);

  if (path.back() == L'\\' &&
      show(prompter, owner, pathmsg::trailingBackslash, mb::yesNo | mb::iconExclamation) != answer::yes)
    return false;

  if (ownershipCheck && path.starts_with(L"\\\\")) {
    if (show(prompter, owner, pathmsg::ownershipOnShare, mb::yesNo | mb::iconError) != answer::yes) return false;
    ownershipCheck = false;
  }

  if (path.front() == L'*' || path.front() == L'?') return refuse(pathmsg::leadingWildcard);
  return true;
}

}  // namespace ostrel::wizard
