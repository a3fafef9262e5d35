#include "foundation/base/HeapPolicy.h"

#include <malloc.h>

namespace olv {

void KeepFreedMemory() {
  // Setting either also ends the C library's own adjustment of both, which would otherwise move
  // the mmap threshold up and down with the program's frees.
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(kKeptFreeBytes));
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kOwnMappingBytes));
}

}  // namespace olv
