// Ids, clock and debug output for platforms other than Windows.
#include <uuid/uuid.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/guid.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace ostrel::platform {

Guid newRuleGuid() {
  uuid_t u;
  uuid_generate_time(u);  // time-based, the counterpart of UuidCreateSequential
  Guid g;
  g.data1 = (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) | u[3];
  g.data2 = static_cast<std::uint16_t>((u[4] << 8) | u[5]);
  g.data3 = static_cast<std::uint16_t>((u[6] << 8) | u[7]);
  std::memcpy(g.data4.data(), u + 8, 8);
  return g;
}

std::uint64_t fileTimeNow() {
  // 1601-01-01 to 1970-01-01 in 100 ns intervals.
  constexpr std::uint64_t epochDelta = 116444736000000000ULL;
  auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  return epochDelta +
         static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100);
}

namespace {
std::mutex sinkMutex;
TraceSink& sink() {
  static TraceSink s = [] {
    TraceSink initial;
    if (std::getenv("OSTREL_TRACE") != nullptr)
      initial = [](const std::wstring& t) { std::fprintf(stderr, "%s\n", toUtf8(t).c_str()); };
    return initial;
  }();
  return s;
}
}  // namespace

TraceSink setTraceSink(TraceSink s) {
  std::lock_guard lock(sinkMutex);
  TraceSink old = std::move(sink());
  sink() = std::move(s);
  return old;
}

void debugOutput(const std::wstring& text) {
  std::lock_guard lock(sinkMutex);
  if (sink()) sink()(text);
}

}  // namespace ostrel::platform
