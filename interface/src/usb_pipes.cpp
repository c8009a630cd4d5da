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
  s.buffer_size = kUsbPipeBufferSize;
  s.count = 0;
  s.position = 0;
  s.buffer = std::make_unique<char[]>(s.buffer_size);
  return number;
}

void UsbPipes::close(int32_t slot) {
  Slot* s = slot_at(slot);
  if (!s) return;
  s->backend->close(s->handle);
  *s = Slot{};
}

int32_t UsbPipes::refill(Slot& s, uint32_t start, int32_t timeout_ms) {
  s.count = 0;
  s.position = 0;
  while (true) {
    const int32_t left = time_left(start, timeout_ms);
    if (left == 0) return kTimedOut;
    const ssize_t n = s.backend->read(s.handle, s.buffer.get(), s.buffer_size, left);
    if (n < 0) return kQbxUsbPipeError;
    if (n > 0) {
      s.count = std::min(static_cast<size_t>(n), s.buffer_size);
      return kQbxOk;
    }
  }
}

int32_t UsbPipes::read_terminated(int32_t slot, char* buffer, int32_t count, char terminator,
                                  int32_t timeout_ms, int32_t* got) {
  *got = 0;
  buffer[0] = '\0';
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  const uint32_t start = sys_time_ms();
  int32_t n = 0;
  while (n < count) {
    if (s->position == s->count) {
      const int32_t status = refill(*s, start, timeout_ms);
      if (status != kQbxOk) {
        buffer[n] = '\0';
        *got = n;
        return status;
      }
    }
    const char byte = s->buffer[s->position++];
    buffer[n++] = byte;
    if (byte == terminator) break;
  }
  buffer[n] = '\0';
  *got = n;
  return kQbxOk;
}

int32_t UsbPipes::read_exact(int32_t slot, char* buffer, int32_t count, int32_t timeout_ms, int32_t* got) {
  *got = 0;
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  const uint32_t start = sys_time_ms();
  size_t n = 0;
  const size_t wanted = count > 0 ? static_cast<size_t>(count) : 0;
  while (n < wanted) {
    if (s->position == s->count) {
      const int32_t status = refill(*s, start, timeout_ms);
      if (status != kQbxOk) {
        *got = static_cast<int32_t>(n);
        return status;
      }
    }
    const size_t take = std::min(s->count - s->position, wanted - n);
    std::memcpy(buffer + n, s->buffer.get() + s->position, take);
    s->position += take;
    n += take;
  }
  *got = static_cast<int32_t>(n);
  return kQbxOk;
}

int32_t UsbPipes::write(int32_t slot, const char* data, size_t length, int32_t timeout_ms) {
  Slot* s = slot_at(slot);
  if (!s) return kQbxUsbPipeError;
  const uint32_t start = sys_time_ms();
  size_t done = 0;
  while (done < length) {
    const int32_t left = time_left(start, timeout_ms);
    if (left == 0) return kTimedOut;
    const size_t piece = std::min(length - done, s->buffer_size);
    const ssize_t n = s->backend->write(s->handle, data + done, piece, left);
    if (n < 0) return kQbxUsbWriteFailed;
    if (static_cast<size_t>(n) < piece) return kQbxWriteFailed;
    done += piece;
  }
  return kQbxOk;
}

size_t UsbPipes::buffered(int32_t slot) const {
  if (slot < 0 || slot >= kUsbPipeSlots || !slots_[slot].in_use) return 0;
  return slots_[slot].count - slots_[slot].position;
}

int32_t UsbPipes::open_count() const {
  return static_cast<int32_t>(
      std::count_if(std::begin(slots_), std::end(slots_), [](const Slot& s) { return s.in_use; }));
}

}  // namespace linkar
