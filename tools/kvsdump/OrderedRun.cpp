#include "tools/kvsdump/OrderedRun.h"

#include <malloc.h>

#include <mutex>

namespace tarvo::kvsdump::ordered_run {

void KeepFreedMemory() {
#ifdef __GLIBC__
  // Each song's bytes and counts, blocks of up to megabytes, are freed and
  // made again for the next song on every thread. Given back to the system
  // at once, they would be faulted in again song after song, and the
  // faults of two threads of one process wait for each other: two jobs
  // would not be twice as fast. Blocks up to 32 MiB stay with the
  // allocator, and so does up to 32 MiB freed at the end of each heap.
  // Larger blocks (a huge song's bytes) still go back at once; the peak
  // is what it was.
  static std::once_flag once;
  std::call_once(once, [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
  });
#endif
}

}  // namespace tarvo::kvsdump::ordered_run
