#include "rules/list_box_order.h"

#include <algorithm>
#include <cwctype>

namespace ostrel::rules {
namespace {

// The system's word sort for ASCII: punctuation in this order, then digits, then letters
// without regard to case. The apostrophe and the hyphen weigh nothing at first and only
// break ties (below).
constexpr std::wstring_view punctuation = L" !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";
constexpr int digitBase = 0x100;
constexpr int letterBase = 0x200;
constexpr int otherBase = 0x400;

bool ignorable(wchar_t c) { return c == L'\'' || c == L'-'; }

int primaryWeight(wchar_t c) {
  if (const auto at = punctuation.find(c); at != std::wstring_view::npos) return static_cast<int>(at) + 1;
  if (c >= L'0' && c <= L'9') return digitBase + (c - L'0');
  if (c >= L'a' && c <= L'z') return letterBase + (c - L'a');
  if (c >= L'A' && c <= L'Z') return letterBase + (c - L'A');
  // Beyond ASCII an approximation: after the letters, by code point without regard to case.
  return otherBase + static_cast<int>(std::towlower(static_cast<wint_t>(c)));
}

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

int compareListBoxText(std::wstring_view a, std::wstring_view b) {
  std::size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && ignorable(a[i])) ++i;
    while (j < b.size() && ignorable(b[j])) ++j;
    if (i == a.size() || j == b.size()) break;
    if (const int d = primaryWeight(a[i]) - primaryWeight(b[j]); d != 0) return sign(d);
    ++i, ++j;
  }
  if (i != a.size() || j != b.size()) return i == a.size() ? -1 : 1;
  // Equal but for apostrophes and hyphens: fewer sort first; at the first difference, the
  // one further right sorts first, and an apostrophe before a hyphen.
  i = j = 0;
  for (;;) {
    while (i < a.size() && !ignorable(a[i])) ++i;
    while (j < b.size() && !ignorable(b[j])) ++j;
    const bool aEnded = i == a.size(), bEnded = j == b.size();
    if (aEnded || bEnded) return aEnded == bEnded ? 0 : (aEnded ? -1 : 1);
    if (i != j) return i > j ? -1 : 1;
    if (a[i] != b[j]) return a[i] == L'\'' ? -1 : 1;
    ++i, ++j;
  }
}

std::size_t listBoxInsertPosition(const std::vector<std::wstring>& lines, std::wstring_view text) {
  const auto at = std::lower_bound(lines.begin(), lines.end(), text,
                                   [](const std::wstring& line, std::wstring_view t) { return compareListBoxText(line, t) < 0; });
  return static_cast<std::size_t>(at - lines.begin());
}

}  // namespace ostrel::rules
