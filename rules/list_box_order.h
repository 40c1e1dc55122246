#pragma once
// The order of a sorted system list box, so that portable code (the fake dialog, the tool)
// puts lines where the wizard's list box puts them: the Rule's command lines are numbered
// in that order.
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::rules {

// CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE) as the list box calls it: below,
// equal or above zero.
[[nodiscard]] int compareListBoxText(std::wstring_view a, std::wstring_view b);

// Where a sorted list box inserts text: before every line that sorts after it or equal to
// it, so a line equal but for case goes before the ones already there (as measured under
// Wine).
[[nodiscard]] std::size_t listBoxInsertPosition(const std::vector<std::wstring>& lines, std::wstring_view text);

}  // namespace ostrel::rules
