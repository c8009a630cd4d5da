// USB pipe slots: opening a pipe into a free slot, buffered terminated and exact reads within the
// time-out, and writes in pieces of the slot's buffer size.
#include "usb_pipes.h"

#include <algorithm>
#include <cstring>

#include "clock.h"
#include "linkar32.h"

namespace linkar {
namespace {

// -10 stands for a time-out on USB pipes in both directions.
constexpr int32_t kTimedOut = kQbxReadFailed;

// The status of a pipe read that ended: a time-out, or a failed pipe.
int32_t read_status(const TakeResult& got) {
  switch (got.outcome) {
    case TakeResult::kDone: return kQbxOk;
    case TakeResult::kTimedOut: return kTimedOut;
    case TakeResult::kFailed: break;
  }
  return kQbxUsbPipeError;
}


}  // namespace

UsbPipes& usb_pipes() {
  static UsbPipes* pipes = new UsbPipes;  // never destroyed: the unload handler closes the ports
  return *pipes;
}

UsbPipes::Slot* UsbPipes::slot_at(int32_t slot) {
  if (slot < 0 || slot >= kUsbPipeSlots || !slots_[slot].in_use) return nullptr;
  return &slots_[slot];
}

int32_t UsbPipes::open(UsbBackend& backend, const std::string& path, int pipe) {
  if (path.empty()) return kQbxUsbPipeOpenFailed;
  Slot* free_slot = nullptr;
  int32_t number = 0;
  for (; number < kUsbPipeSlots; ++number) {
    if (!slots_[number].in_use) {
      free_slot = &slots_[number];
      break;
    }
  }
  if (!free_slot) return kQbxUsbPipeOpenFailed;
  const int handle = backend.open_pipe(path, pipe);
  if (handle < 0) return kQbxUsbPipeOpenFailed;
  Slot& s = *free_slot;
  s.in_use = true;
  s.backend = &backend;
  s.handle = handle;
  s.input = InputBuffer(kUsbPipeBufferSize);
  return number;
}

void UsbPipes::close(int32_t slot) {
  Slot* s = slot_at(slot);
  if (!s) return;
  s->backend->close(s->handle);
  *s = Slot{};
}

long UsbPipes::PipeSource::read_some(char* into, size_t room, int32_t wait_ms, int*) {
  const ssize_t n = slot.backend->read(slot.handle, into, room, wait_ms);
  return n < 0 ? -1 : static_cast<long>(std::min(static_cast<size_t>(n), room));
}

int32_t UsbPipes::read_terminated(int32_t slot, char* buffer, int32_t count, char terminator,
                                  int32_t timeout_ms, int32_t* got) {
  *got = 0;
  buffer[0] = '\0';
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  PipeSource pipe{*s};
  const TakeResult taken = s->input.take_until(pipe, buffer, count, terminator, timeout_ms, TimeoutScope::kWholeRead);
  *got = taken.stored;
  return read_status(taken);
}

int32_t UsbPipes::read_exact(int32_t slot, char* buffer, int32_t count, int32_t timeout_ms, int32_t* got) {
  *got = 0;
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  PipeSource pipe{*s};
  // A pipe delivers whole packets: what comes beyond the count stays buffered for the next read.
  const TakeResult taken =
      s->input.take(pipe, buffer, count, timeout_ms, TimeoutScope::kWholeRead, CountedFill::kWholeChunk);
  *got = taken.stored;
  return read_status(taken);
}

int32_t UsbPipes::write(int32_t slot, const char* data, size_t length, int32_t timeout_ms) {
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  const uint32_t start = sys_time_ms();
  size_t done = 0;
  while (done < length) {
    const int32_t left = time_left(start, timeout_ms);
    if (left == 0) return kTimedOut;
    const size_t piece = std::min(length - done, s->input.capacity());
    const ssize_t n = s->backend->write(s->handle, data + done, piece, left);
    if (n < 0) return kQbxUsbWriteFailed;
    if (static_cast<size_t>(n) < piece) return kQbxWriteFailed;
    done += piece;
  }
  return kQbxOk;
}

size_t UsbPipes::buffered(int32_t slot) const {
  if (slot < 0 || slot >= kUsbPipeSlots || !slots_[slot].in_use) return 0;
  return slots_[slot].input.buffered();
}

int32_t UsbPipes::open_count() const {
  return static_cast<int32_t>(
      std::count_if(std::begin(slots_), std::end(slots_), [](const Slot& s) { return s.in_use; }));
}

}  // namespace linkar
