/* The public records compiled as C: the sizes and offsets a C plug-in sees, compared by the tests
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
    case 8: return sizeof(AcqTrigger);
    case 9: return offsetof(AcqTrigger, level);
    case 10: return offsetof(AcqTrigger, pretrigger);
    default: return 0;
  }
}
