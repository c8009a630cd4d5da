// Block storage of a read: every listed channel whose header asks for the channel database
// (storage mode 1 or 3) has its new block appended to the database channel of the same number.
// Online files (storage modes 2 and 3) are written by the online-file writer; a channel that asks
// for one while no writer is available gets -303 ("online file could not be created"), so a host
// never believes a block stored that was not.
#include "multiscan/block_storage.h"

#include "kernel_state.h"
#include "storix32.h"
#include "tallix32.h"

namespace tallix {

namespace {

inline constexpr int16_t kStoreDatabase = 1;
inline constexpr int16_t kStoreOnline = 2;
inline constexpr int32_t kOnlineFileNotCreated = -303;
inline constexpr int32_t kAppend = -1;

}  // namespace

int32_t store_block(int32_t count, const int32_t* channels, int32_t) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = channels[i];
    const AcqHdr& h = header(ch);
    if ((h.storage_mode & kStoreDatabase) == 0) continue;
    const IOBuf& b = buffer(ch);
    int32_t n = h.read_block_count;
    if (n <= 0 || b.values == nullptr) continue;
    // Never read past the buffer, whatever the header says.
    if (int64_t{b.block_start} + n > b.capacity) return kAcqDoesNotFit;
    const int32_t result = QBX_WriteToDatabaseEx(1, &ch, &n, b.values + b.block_start, kAppend);
    if (result < 0) return result;
  }
  for (int32_t i = 0; i < count; ++i)
    if ((header(channels[i]).storage_mode & kStoreOnline) != 0) return kOnlineFileNotCreated;
  return kAcqOk;
}

}  // namespace tallix
