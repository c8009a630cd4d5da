// Connection state and line exchanges of the driver: the one process-wide set of connection
// variables (device block, channel records, side arrays, chain table, last statuses, block buffer)
// and the framing of every exchange with the amplifier: command text, reply line, query exchange,
// set-command reply, error-status query and binary reply. All device traffic of the library goes
// through these functions, which reach the line only through LINKAR32's current port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "corvan32.h"

namespace corvan {

inline constexpr int32_t kMaxChannels = 100;
inline constexpr int32_t kChainRows = 11;
inline constexpr int32_t kStandardTimeoutMs = 3000;  // the driver's standard read time-out
inline constexpr int32_t kReplyLimit = 1024;         // longest reply line read, LF included
inline constexpr int32_t kLineFeed = 10;
inline constexpr const char* kLibraryVersion = "2.00";
inline constexpr char kBlockLeadIn = '#';            // first byte of a binary block
inline constexpr int32_t kResyncMs = 50;             // wait for the rest of a malformed block

// One device of the chain as the chain identity query reports it.
struct ChainRow {
  char serial[10];
  char version[10];
  char device_type[24];
};

// One reply line of the amplifier and the position its parse has reached. Every exchange reads into
// the Reply its caller hands it: an exchange nested inside another (the error-status query after a
// refusal) reads into a Reply of its own and leaves the outer reply and its parse as they were.
struct Reply {
  char line[kReplyLimit + 32]{};  // the line as received, zero-terminated
  int32_t length = 0;             // bytes of the line
  int32_t pos = 0;                // position reached by the parse

  // The line as received (CR LF included).
  std::string_view text() const { return std::string_view(line, static_cast<size_t>(length)); }
  // True when the line is a refusal (first byte "?").
  bool refused() const { return length > 0 && line[0] == '?'; }
  // True when the parse has reached the end of the line (its CR/LF or its byte count).
  bool at_end() const;
  // Next field (cut at "," or CR/LF); false when no field is left.
  bool field(std::string_view* out);
  // Next field converted to an integer (leading blanks skipped, optional sign, decimal digits up
  // to the first non-digit). 0, or kCvBadReply when the field is missing or holds no digits.
  int32_t next_int(int32_t* value);
};

// Everything the library keeps about the connection. The device block's channel_count and offline
// fields are the channel count and offline flag of the connection (there is no second copy).
struct State {
  DeviceBlock device{};
  ChannelRecord* records[kMaxChannels]{};  // heap records, slots 0..count-1 in use
  int32_t signal_selector[kMaxChannels]{}; // 42 / 43 per channel
  float scale_factor[kMaxChannels]{};      // 1.0 after creation
  ChainRow chain[kChainRows]{};
  int32_t last_interface_status = 0;       // result of the latest LINKAR32 call
  // The status the latest export that keeps one returned (the exports that exchange commands with
  // the amplifier, and CV_GetIndexString); only exports write it, never the steps inside them.
  int32_t last_device_status = 0;
  bool channel_types_read = false;         // "AID?" already walked since the device was opened
  unsigned char* block = nullptr;          // block buffer for binary measured data
  size_t block_size = 0;                   // its usable size in bytes
  // Command buffer: the reply the exports hand down to their exchanges, so it holds the reply
  // line of the latest exchange of an export.
  Reply reply;
};

State& state();

inline bool offline() { return state().device.offline != 0; }
inline int32_t channel_count() { return state().device.channel_count; }

// 0 when channel names an existing record (0 <= channel < count, record allocated), else
// kCvBadChannel. Every channel operation checks this before touching a record.
int32_t check_channel(int32_t channel);
// The record of a channel that passed check_channel.
inline ChannelRecord& record(int32_t channel) { return *state().records[channel]; }

// Block buffer of at least `bytes` usable bytes (plus one spare byte for the reader's terminator),
// grown by freeing and allocating again; nullptr when it cannot be allocated (the old buffer is
// then gone). Freed by free_block_buffer (CV_OpenDevice, CV_CloseDevice).
unsigned char* block_buffer(size_t bytes);
void free_block_buffer();

// ---- Command text ----

// A command line: name (three letters, "?" for a query, or e.g. "PRG?9,0") followed by the decimal
// arguments separated by "," and one LF. Formatting does not depend on the locale.
struct Command {
  char text[64];
};
Command command(std::string_view name, std::initializer_list<int64_t> args = {});

// ---- Exchanges ----

// Writes a command with one QBX_WritePort call; returns its status (kept as last interface status).
int32_t write_command(const Command& cmd);
// Reads one reply line (terminator LF, at most 1024 bytes) into reply and resets its parse. Returns
// 0, the interface status of a failed read, or kCvBadReply when 1024 bytes came without LF or the
// time-out ended a line that had begun.
int32_t read_line(Reply& reply);
// Query exchange: writes cmd and reads the reply; a refusal runs the error-status query (on a
// reply of its own) and returns its result (kCvBadReply when the device then reports no error),
// and sets *refused when given. On 0 the reply is ready for Reply::next_int / Reply::field.
int32_t query(const Command& cmd, Reply& reply, bool* refused = nullptr);
// Set-command reply: reads one line; "0..." gives 0, the warnings 10021 and 10022 come back as
// they are; anything else runs the error-status query and returns its result, or kCvBadReply when
// the device then reports no error (a set that was neither confirmed nor explained).
int32_t set_reply(Reply& reply);
// Writes a set command and checks its reply.
int32_t set_command(const Command& cmd, Reply& reply);
// Error-status query "EST?" read into reply: 0, the device error number, kCvEstRefused,
// kCvBadReply, or the interface status of a failed write or read.
int32_t error_status(Reply& reply);

// Decimal conversion of a text as the reply parser does it: false when it holds no digits.
bool parse_int(std::string_view text, int32_t* value);

// ---- Binary reply ("OMB?", "TAR?") ----

// Reads the 2-byte lead-in, `bytes` payload bytes into payload (which must hold bytes + 1) and the
// 2-byte trailer, each as one exact-length read. The framing is checked where the protocol fixes
// it: a lead-in starting with "?" is a refusal (the device's reason is returned, as for a query),
// a lead-in not starting with "#" or a trailer other than CR LF gives kCvBadReply after the rest
// of the line is discarded. Otherwise 0 or the interface status of the failed read (a short
// block times out within the current time-out).
int32_t read_binary(unsigned char* payload, int32_t bytes);
// The i-th little-endian 16-bit signed value of a payload.
inline int16_t raw_value(const unsigned char* payload, size_t i) {
  return static_cast<int16_t>(static_cast<uint16_t>(payload[2 * i] | (payload[2 * i + 1] << 8)));
}

// The reply line the latest exchange of an export left in the command buffer (CR LF included).
inline std::string_view last_reply() { return state().reply.text(); }

// Keeps the status of a LINKAR32 call as last interface status and returns it.
int32_t note_interface(int32_t status);
// Keeps the status as last device status and returns it. Called by exports only (see
// export_guard.h): a step inside an export returns its status to the export instead.
int32_t note_device(int32_t status);

}  // namespace corvan
