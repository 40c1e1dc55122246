#pragma once
// Notices: warnings the administrator may silence with "Do not show this message again".
// A notice is known by its number, which is also the number of the string holding its text.
// The per-user record is the value "msg<n>" under SOFTWARE\Kelvast\Ostrel\Messages of the
// current user's hive; the notice counts as silenced while that value is a REG_DWORD.
#include <string>

#include "platform/registry.h"

namespace ostrel::catalogs {

// Name of the record value of a notice: "msg30" for notice 30.
[[nodiscard]] std::wstring noticeValueName(int number);

// Whether notice number should be shown to the user whose hive is currentUser. When the
// record key cannot be opened it creates the key path and answers true; registry failures
// always mean "show". Nothing is cached: every call reads the registry.
[[nodiscard]] bool shouldShowNotice(Registry& reg, Registry::Key currentUser, int number);

// What a click on the check box records: suppressed sets the value to REG_DWORD number,
// otherwise the value is deleted. Does nothing when the record key cannot be opened.
void recordNoticeChoice(Registry& reg, Registry::Key currentUser, int number, bool suppressed);

}  // namespace ostrel::catalogs
