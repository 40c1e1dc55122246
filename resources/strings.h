#pragma once
// The module's numbered strings, from the one table in strings.def that also feeds the
// DLL's string table. Portable code and tests read them here, by their IDS_ names.
#include <string_view>

#include "resources/string_ids.h"

namespace ostrel::res {

// The text of string resource id, or an empty view when the module has no such string.
std::wstring_view string(unsigned id);

}  // namespace ostrel::res
