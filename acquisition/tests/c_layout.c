/* The plug-in header compiled as C: the sizes and offsets a C plug-in sees, compared by the tests
 * with the kernel's own. */
#include <stddef.h>

#include "tallix32.h"

size_t c_layout(int which) {
  switch (which) {
    case 0: return sizeof(DeviceRecord);
    case 1: return sizeof(AcqHdr);
    case 2: return sizeof(IOBuf);
    case 3: return offsetof(DeviceRecord, plugin_entry);
    case 4: return offsetof(DeviceRecord, plugin_handle);
    case 5: return offsetof(AcqHdr, zero_offset);
    case 6: return offsetof(IOBuf, ring);
    case 7: return offsetof(IOBuf, ring_wrapped);
    default: return 0;
  }
}
