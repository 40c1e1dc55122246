#pragma once
// Texts from a policy shown on a terminal: what could drive the terminal comes out escaped.
#include <string>
#include <string_view>

namespace ostrel::tool {

// A cell of the plain listing in UTF-8: control characters (which could move the cursor, set
// the terminal's state or start a forged row) and lone surrogates are shown as escapes,
// \xNN below 0x80 and \uNNNN above.
std::string cellText(std::wstring_view text);

}  // namespace ostrel::tool
