// The process-wide table of USB pipe slots: each open pipe has a slot with its backend handle and a
// receive buffer, so that a terminated read hands out one reply and keeps what came after it for the
// next read. Writes go out in pieces of at most the slot's buffer size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "input_buffer.h"
#include "usb_backend.h"

namespace linkar {

constexpr int32_t kUsbPipeSlots = 64;
constexpr size_t kUsbPipeBufferSize = 16384;

class UsbPipes {
 public:
  // Opens pipe (kUsbReadPipe, kUsbWritePipe) of the device at path through backend into a free
  // slot with a buffer of kUsbPipeBufferSize bytes. The slot number 0..63, or kQbxUsbPipeOpenFailed
  // (no free slot, empty path: no such device, or the backend could not open the pipe).
  int32_t open(UsbBackend& backend, const std::string& path, int pipe);
  // Closes the slot's handle and frees its buffer; slots that are not open are left alone.
  void close(int32_t slot);

  // Reads up to count bytes ending after terminator into buffer and zero-terminates them (buffer
  // holds count + 1 bytes). The pipe is read (up to the buffer size at a time) whenever the slot's
  // buffer is empty; bytes after the terminator stay buffered. *got gets the bytes stored.
  // 0, kQbxUsbPipeError (slot not open, pipe read failed), kQbxReadFailed (timeout_ms passed since
  // the call began; <= 0 waits without limit).
  int32_t read_terminated(int32_t slot, char* buffer, int32_t count, char terminator, int32_t timeout_ms,
                          int32_t* got);
  // Reads exactly count bytes into buffer, refilling the slot's buffer as needed. Statuses as above.
  int32_t read_exact(int32_t slot, char* buffer, int32_t count, int32_t timeout_ms, int32_t* got);
  // Writes length bytes in pieces of at most the slot's buffer size. 0, kQbxUsbPipeError (slot not
  // open), kQbxUsbWriteFailed (the pipe write failed), kQbxWriteFailed (a piece went out short),
  // kQbxReadFailed (timeout_ms passed with pieces still to send).
  int32_t write(int32_t slot, const char* data, size_t length, int32_t timeout_ms);

  // Bytes waiting in the slot's buffer (0 for a slot that is not open).
  size_t buffered(int32_t slot) const;
  // Open slots, for checks that nothing leaks.
  int32_t open_count() const;

 private:
  struct Slot {
    bool in_use = false;
    UsbBackend* backend = nullptr;
    int handle = -1;
    InputBuffer input;  // its capacity is also the largest piece a write sends
  };
  // A slot's pipe as the input buffer's source.
  struct PipeSource : ByteSource {
    explicit PipeSource(Slot& s) : slot(s) {}
    long read_some(char* into, size_t room, int32_t wait_ms, int* error) override;
    Slot& slot;
  };

  Slot* slot_at(int32_t slot);

  Slot slots_[kUsbPipeSlots];
};

UsbPipes& usb_pipes();

}  // namespace linkar
