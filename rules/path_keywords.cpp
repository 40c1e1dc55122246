#include "rules/path_keywords.h"

#include <cwctype>

namespace ostrel::keywords {
namespace {

wchar_t lower(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool matchesAt(const std::wstring& text, std::size_t i, std::wstring_view keyword) {
  if (text.size() - i < keyword.size()) return false;
  for (std::size_t k = 0; k < keyword.size(); ++k)
    if (lower(text[i + k]) != lower(keyword[k])) return false;
  return true;
}

// Exact, case-sensitive, non-overlapping replacement, left to right.
void replaceExact(std::wstring& text, std::wstring_view from, std::wstring_view to) {
  for (std::size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size()))
    text.replace(pos, from.size(), to);
}

// Removes every occurrence of marker; reports whether there was one.
bool removeMarker(std::wstring& text, std::wstring_view marker) {
  bool found = false;
  for (std::size_t pos = text.find(marker); pos != std::wstring::npos; pos = text.find(marker, pos)) {
    text.erase(pos, marker.size());
    found = true;
  }
  return found;
}

}  // namespace

void replaceKeyword(std::wstring& text, std::wstring_view keyword, std::wstring_view replacement) {
  if (keyword.empty()) return;
  // A keyword that starts with a character without letter case ("%") can only match where
  // that character stands, so the scan jumps from one occurrence to the next.
  const wchar_t first = keyword[0];
  const bool caseless = lower(first) == first && static_cast<wchar_t>(std::towupper(static_cast<wint_t>(first))) == first;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (caseless) {
      i = text.find(first, i);
      if (i == std::wstring::npos) return;
    }
    if (matchesAt(text, i, keyword)) text.replace(i, keyword.size(), replacement);
  }
}

std::wstring encode(const std::wstring& pattern, bool ownershipCheck, bool recursive) {
  std::wstring stored = pattern;
  replaceKeyword(stored, L"%SystemDrive%", L"*d");
  replaceKeyword(stored, L"%systemroot%", L"*r");
  replaceKeyword(stored, L"%programfiles%", L"*p");
  if (ownershipCheck) stored.insert(0, L"?o");
  if (recursive) stored.insert(0, L"?r");
  return stored;
}

std::wstring decode(const std::wstring& stored, bool& ownershipCheck, bool& recursive) {
  std::wstring pattern = stored;
  if (removeMarker(pattern, L"?o")) ownershipCheck = true;
  if (removeMarker(pattern, L"?r")) recursive = true;
  replaceExact(pattern, L"*d", L"%SystemDrive%");
  replaceExact(pattern, L"*r", L"%SystemRoot%");
  replaceExact(pattern, L"*p", L"%ProgramFiles%");
  return pattern;
}

std::wstring normalizeCase(std::wstring line) {
  replaceKeyword(line, L"%systemroot%", L"%SystemRoot%");
  replaceKeyword(line, L"%systemdrive%", L"%SystemDrive%");
  replaceKeyword(line, L"%programfiles%", L"%ProgramFiles%");
  return line;
}

}  // namespace ostrel::keywords
