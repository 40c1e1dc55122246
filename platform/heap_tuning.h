#pragma once

namespace ostrel::platform {

// Prepares the process heap for loading a large policy: a Registry.pol of 10,000 rules is
// about 400,000 values in small heap blocks, built once and freed at exit. Call once, first
// thing in main, in programs that load whole policies (the tool, the benchmarks); the module
// never calls it. Does nothing where the C library offers no such tuning.
void tuneHeapForLargePolicies();

}  // namespace ostrel::platform
