#include "platform/heap_tuning.h"

namespace ostrel::platform {

// The Windows heap needs no preparation: its low-fragmentation front end serves small blocks.
void tuneHeapForLargePolicies() {}

}  // namespace ostrel::platform
