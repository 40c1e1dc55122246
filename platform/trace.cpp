#include "platform/trace.h"

#include <mutex>

namespace ostrel::platform {
namespace {
std::mutex sinkMutex;
TraceSink& sink() {
  static TraceSink s;
  return s;
}
}  // namespace

TraceSink setTraceSink(TraceSink s) {
  std::lock_guard lock(sinkMutex);
  TraceSink old = std::move(sink());
  sink() = std::move(s);
  return old;
}

void traceToSink(const std::wstring& text) {
  std::lock_guard lock(sinkMutex);
  if (sink()) sink()(text);
}

}  // namespace ostrel::platform
