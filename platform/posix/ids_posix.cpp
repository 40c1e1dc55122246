// Ids, clock and debug output for platforms other than Windows.
#include <uuid/uuid.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void debugOutput(const std::wstring& text) {
  // Without a debugger channel the text goes to standard error when asked for.
  static const bool toStandardError = std::getenv("OSTREL_TRACE") != nullptr;
  if (toStandardError) std::fprintf(stderr, "%s\n", toUtf8(text).c_str());
  traceToSink(text);
}

}  // namespace ostrel::platform
