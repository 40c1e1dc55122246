#pragma once
// The names of the numbered strings (IDS_DELETE_QUESTION and the like), generated from the
// table in strings.def so that a number is written once. Global, like the IDB_, IDI_ and
// IDD_ numbers of resource_ids.h.

#define OSTREL_STRING(name, id, text) inline constexpr unsigned name = id;
#include "resources/strings.def"
#undef OSTREL_STRING
