#pragma once
// A listener for the debug output: none by default; tests install one to see what the
// module writes to the debugger. On platforms without a debugger channel, setting
// OSTREL_TRACE sends the output to standard error.
#include <functional>
#include <string>

namespace ostrel::platform {
using TraceSink = std::function<void(const std::wstring&)>;
// Installs a sink and returns the previous one.
TraceSink setTraceSink(TraceSink sink);
// Hands text to the installed sink, if any (debugOutput calls it).
void traceToSink(const std::wstring& text);
}  // namespace ostrel::platform
