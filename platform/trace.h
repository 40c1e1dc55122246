#pragma once
// Where debug output goes on platforms without a debugger channel: nowhere by default,
// to standard error when OSTREL_TRACE is set, or to a sink a test installs.
#include <functional>
#include <string>

namespace ostrel::platform {
using TraceSink = std::function<void(const std::wstring&)>;
// Installs a sink and returns the previous one.
TraceSink setTraceSink(TraceSink sink);
}  // namespace ostrel::platform
