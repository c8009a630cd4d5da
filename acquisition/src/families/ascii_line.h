// Wire code shared by the ASCII families beside the Corvane (YAL, VELMA, ZELPLUS, the amplifier
// families 3, 55/56, 60, 90, 100, 157): command lines formatted without locale, one reply per
// line read up to the family's terminator, chains of exchanges that stop at the first failure,
// binary blocks into the kernel's receive area, and raw samples spread into the IO buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "families/corvane/corvane_line.h"
#include "tallix32.h"

namespace tallix::ascii {

using corvane::Line;
using corvane::line;
using corvane::Reply;

inline constexpr int32_t kLf = 10;
inline constexpr int32_t kCr = 13;

// A chain of command/reply exchanges on the current port. Each call sends a line and reads its one
// reply line (ended by `terminator`); once an exchange failed, later calls send nothing.
// status(): 0, the interface status of a failed write or read, or `refusal` when a reply held a
// '?' (kept in reply()).
class Exchange {
 public:
  Exchange(int32_t terminator, int32_t refusal) : terminator_(terminator), refusal_(refusal) {}
  Exchange& operator()(const Line& l);
  // Sends the line without reading a reply (commands the device does not answer).
  Exchange& send_only(const Line& l);
  int32_t status() const { return status_; }
  bool ok() const { return status_ == 0; }
  const Reply& reply() const { return reply_; }

 private:
  int32_t terminator_;
  int32_t refusal_;
  int32_t status_ = 0;
  Reply reply_;
};

// Reads one reply line ended by `terminator`; 0 or the interface status.
int32_t receive(Reply* reply, int32_t terminator);

// The numbers of a reply (fields separated by ',' or ';', blanks allowed; a field that is not a
// number counts as 0), parsed the same under every locale.
std::vector<double> numbers(const Reply& reply);

// A number of a reply as a 32-bit integer: truncated, clamped to the int32 range, 0 for not a number.
int32_t to_int32(double v);
// True when the reply holds something besides its line end (a silent line gives an empty reply).
inline bool has_text(const Reply& reply) {
  return reply.text_length() > 0;
}

// After the stop of a device that streams: flushes the input until the line has been quiet for
// `quiet_ms` (at most for the current time-out), so that no sample left in flight passes for the
// reply of a later command.
void drain_input(int32_t quiet_ms);

// Reads exactly `bytes` binary bytes (no terminator) into the receive area, or into a heap block
// when they do not fit it; *data points at them until the next read. 0; -214 when fewer bytes came
// (the rest is flushed so that it does not pass for a later reply); interface statuses.
int32_t read_binary(int32_t bytes, const uint8_t** data);

// Sample formats of binary blocks.
enum class Sample { kInt16Le, kInt32Le, kInt24Be, kFloat64Le };

// True when every channel of the device's block order has an IO buffer holding `scans` values from
// its write offset.
bool buffers_hold(int32_t device, int32_t scans);
// Spreads `scans` scans of the device's block-order channels (one sample each, in that order) into
// their IO buffers at the write offset as raw values; each channel's current length and read block
// count become `scans`. Call buffers_hold first.
void distribute(int32_t device, const uint8_t* samples, int32_t scans, Sample format);
// The same for values already converted (scan by scan, channel by channel).
void distribute_values(int32_t device, const double* values, int32_t scans);
// Read block count 0 for every block-order channel of the device.
void clear_block_counts(int32_t device);
// A read that delivers no values: block counts cleared, *length = `delivered` (0 for an empty
// request, -1 for read mode -1.0 without data); 0.
int32_t deliver_nothing(int32_t device, int32_t* length, int32_t delivered);
// A device that holds fewer scans than asked: -199, or in read mode -1.0 nothing (*length = -1).
int32_t not_complete(int32_t device, int32_t* length, bool read_all);
// Bytes per sample of a format.
int32_t sample_bytes(Sample format);

// The read of a device that streams its scans after the start (no request per block): the next
// *length scans of `per_scan` samples each (read mode -1.0: the whole scans already received, at
// most 1023; none: *length = -1). per_scan is the device's block-order channel count, or 1 for a
// single-channel device, whose one sample then goes to every listed channel. 0; -214 for a block
// beyond the receive limit or an IO buffer; interface statuses.
int32_t read_stream(int32_t device, int32_t* length, double read_mode, Sample format, int32_t per_scan);

// A single-stream device delivers all its channels once per read cycle, for its first FIFO in use;
// the read of a further FIFO in use reports what that one gave without traffic.
template <class Read>
int32_t once_per_cycle(int32_t device, int32_t* length, Read&& read);

// The device's error status after "ESR?" (or another query whose first number is the error):
// 0 when it is not above 0, else -207; a failed exchange: its status.
int32_t error_status(Exchange& x, const Line& query);

// A status of error_status with an error above 0 (-207) turned into `code`; others unchanged.
inline int32_t error_as(int32_t status, int32_t code) {
  return status == kAcqDeviceErrorStatus ? code : status;
}

// The first listed channel that is a measured channel of the current device, or 0.
int32_t first_on_current(int32_t count, const int16_t* channels);

// The linearisation point of a channel command's value (three doubles: point, input, output).
struct LinPoint {
  int32_t point;
  double input;
  double output;
};
LinPoint lin_point(const void* value);

// The amplifier commands of the YAL and VELMA families after their channel selection: tare "TAR",
// calibration "CAL" and then `after_calibration` (its result is the command's), zero "CPV",
// linearisation point "LIV<point>,,,<input>,<output>"; -253 for other codes.
int32_t amplifier_command(Exchange& x, int32_t code, const void* value, int32_t (*after_calibration)());

// A number as the shortest text that reads back the same ("12.5", "-0.001"), locale-free.
struct NumberText {
  char text[32];
};
NumberText number_text(double v);

// Bit mask of the amplifier channels 1..31 that a list holds for the current device (bit h - 1 for
// hardware channel h); channels outside 1..31 are left out.
int32_t channel_mask(int32_t count, const int16_t* channels);
int32_t channel_mask(int32_t count, const int32_t* channels);

// True for a measured channel (class 0, signal kind 8) of the current device (port and address).
bool measured_on_current(int32_t channel);

// What the first FIFO in use of each device gave in the current read pass.
struct FirstFifo {
  int32_t result;
  int32_t length;
};
FirstFifo& first_fifo(int32_t device);
bool is_first_fifo(int32_t device);

template <class Read>
int32_t once_per_cycle(int32_t device, int32_t* length, Read&& read) {
  FirstFifo& first = first_fifo(device);
  if (!is_first_fifo(device)) {
    *length = first.length;
    return first.result;
  }
  first.result = read();
  first.length = *length;
  return first.result;
}

}  // namespace tallix::ascii
