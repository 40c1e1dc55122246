#pragma once
// The checks on the text typed for a Path rule before it becomes the Rule's Path pattern.
#include <string>

#include "platform/prompt.h"

namespace ostrel::rules {

inline constexpr std::size_t maxPathPatternChars = 256;

// Trims path in place (white space at the end, then at the start) and checks it, showing
// each refusal and question in a box owned by owner with the product caption. May clear
// ownershipCheck when the administrator agrees to drop it for a network path.
// True accepts the text; false refuses it.
[[nodiscard]] bool validatePathRule(std::wstring& path, bool& ownershipCheck, WindowHandle owner,
                                    Prompter& prompter);

}  // namespace ostrel::rules
