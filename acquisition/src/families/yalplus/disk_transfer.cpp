// YALPLUS_TransferDiskFile: copies a file of the device's disk (recorded under a start text) into
// a local file in 1024-byte pieces. The progress text goes to the caller's callback (the window a
// desktop host would draw into); the host's abort request is the kernel's abort flag.
#include <sys/uio.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "export_guard.h"
#include "families/yalplus/yalplus_line.h"
#include "kernel_state.h"
#include "linkar32.h"
#include "platform.h"
#include "tallix32.h"

using namespace tallix;
using namespace tallix::yalplus;

namespace {

constexpr int32_t kPiece = 1024;
constexpr int32_t kStopWaitMs = 10;

// The folder of a local file ("." for a bare name).
std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Takes `count` announced bytes off the line without keeping them (a file that is not copied).
void drain(int32_t count) {
  uint8_t piece[kPiece];
  while (count > 0) {
    const int32_t n = count < kPiece ? count : kPiece;
    if (read_exact(piece, n) != 0) return;
    count -= n;
  }
}

// Writes n bytes at offset `at` of the local file, resuming short writes; false when the file
// took fewer (disk full, write error).
bool write_piece(Platform& p, int file, int32_t at, const uint8_t* bytes, int32_t n) {
  int32_t written = 0;
  while (written < n) {
    iovec piece{const_cast<uint8_t*>(bytes + written), static_cast<size_t>(n - written)};
    const int64_t w = p.write_at(file, &piece, 1, int64_t{at} + written);
    if (w <= 0) return false;
    written += static_cast<int32_t>(w);
  }
  return true;
}

void stop_device() {
  send("STP\n");
  QBX_Delay(kStopWaitMs);
  QBX_FlushInQueue();
}

int32_t transfer(const char* device_name, const char* local_path, YalplusProgressCallback progress, void* context) {
  Platform& p = platform();
  int32_t r = send(line("RHD?%s\n", device_name));
  if (r < 0) return r;
  uint8_t length_bytes[4];
  if ((r = read_exact(length_bytes, sizeof length_bytes)) != 0) return r == kAcqBlockTooLarge ? kYalDiskReadFailed : r;
  const auto total = static_cast<int32_t>(static_cast<uint32_t>(length_bytes[0]) << 24 |
                                          static_cast<uint32_t>(length_bytes[1]) << 16 |
                                          static_cast<uint32_t>(length_bytes[2]) << 8 | length_bytes[3]);
  if (total <= 0) return kYalDiskRefused;
  double free_bytes = 0.0;
  if (int error = p.free_disk_space(folder_of(local_path).c_str(), &free_bytes); error != 0) {
    p.show_message("", line("Unable to determine available disk space: %i", error).c_str());
    drain(total);
    stop_device();
    return kYalDiskRefused;
  }
  if (free_bytes < total) {
    drain(total);
    stop_device();
    return kYalDiskFull;
  }
  const int file = p.create_file(local_path);
  if (file < 0) {
    drain(total);
    stop_device();
    return kYalDiskFileNotCreated;
  }
  uint8_t piece[kPiece];
  int32_t done = 0;
  int32_t result = kAcqOk;
  while (done < total) {
    KernelState& k = kernel();
    if (k.abort_flag != 0) {
      k.abort_flag = 0;
      p.show_message("", "Disk transfer aborted!");
      stop_device();
      break;
    }
    const int32_t n = total - done < kPiece ? total - done : kPiece;
    if (read_exact(piece, n) != 0) {
      stop_device();
      result = kYalDiskReadFailed;
      break;
    }
    if (!write_piece(p, file, done, piece, n)) {
      stop_device();
      result = kYalDiskFileNotCreated;
      break;
    }
    done += n;
    if (progress != nullptr) {
      const auto percent = static_cast<int32_t>(int64_t{done} * 100 / total);
      progress(line("Transfer: %i Byte of %i (%i)", done, total, percent).c_str(), context);
    }
  }
  p.close_file(file);
  return result;
}

}  // namespace

extern "C" int32_t YALPLUS_TransferDiskFile(const char* device_name, const char* local_path,
                                            YalplusProgressCallback progress, void* context) {
  if (device_name == nullptr || local_path == nullptr) return kAcqBadArgument;
  return guarded([&] { return transfer(device_name, local_path, progress, context); });
}
