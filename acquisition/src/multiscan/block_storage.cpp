// Block storage of a read, as the storage flag and each listed channel's header ask: the channel
// database first (storage modes 1 and 3: the block appended to the database channel of the same
// number), then the online files (modes 2 and 3).
#include "multiscan/block_storage.h"

#include "kernel_state.h"
#include "storage/online_files.h"
#include "storix32.h"
#include "tallix32.h"

namespace tallix {

namespace {

inline constexpr int16_t kStoreDatabase = 1;
inline constexpr int16_t kStoreBoth = 3;
inline constexpr int32_t kAppend = -1;

int32_t store_in_database(int32_t count, const int32_t* channels) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    const AcqHdr& h = header(ch);
    if (h.storage_mode != kStoreDatabase && h.storage_mode != kStoreBoth) continue;
    const IOBuf& b = buffer(ch);
    int32_t n = h.read_block_count;
    if (n <= 0 || b.values == nullptr) continue;
    // Never read past the buffer, whatever the header says.
    if (b.block_start < 0 || int64_t{b.block_start} + n > b.capacity) return kAcqDoesNotFit;
    const int32_t result = QBX_WriteToDatabaseEx(1, &ch, &n, b.values + b.block_start, kAppend);
    if (result < 0) return result;
  }
  return kAcqOk;
}

}  // namespace

int32_t store_block(int32_t count, const int32_t* channels, int32_t) {
  const int32_t flag = online().storage_flag;
  if (flag == kAcqStoreNothing) return kAcqOk;
  if (flag != kAcqStoreOnlineOnly) {
    if (int32_t r = store_in_database(count, channels); r < 0) return r;
  }
  if (flag == kAcqStoreDatabaseOnly) return kAcqOk;
  return write_online_block(count, channels);
}

}  // namespace tallix
