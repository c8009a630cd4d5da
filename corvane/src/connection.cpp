// Connection state and the framing of every exchange with the amplifier: commands go out as one
// LF-terminated line in one write; replies come back as one CR LF line of comma-separated fields
// (parsed in place, never past the bytes received), or as a binary block between a 2-byte lead-in
// and a 2-byte trailer.
#include "connection.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "linkar32.h"

namespace corvan {

State& state() {
  static State s;
  return s;
}

int32_t note_interface(int32_t status) {
  state().last_interface_status = status;
  return status;
}

int32_t note_device(int32_t status) {
  state().last_device_status = status;
  return status;
}

int32_t check_channel(int32_t channel) {
  // channel == count is accepted where its record exists (offline keeps all 100 records).
  const State& s = state();
  if (channel < 0 || channel >= kMaxChannels || channel > s.device.channel_count || s.records[channel] == nullptr)
    return kCvBadChannel;
  return kCvOk;
}

unsigned char* block_buffer(size_t bytes) {
  State& s = state();
  if (s.block != nullptr && s.block_size >= bytes) return s.block;
  free_block_buffer();
  s.block = static_cast<unsigned char*>(std::malloc(bytes + 1));
  if (s.block != nullptr) s.block_size = bytes;
  return s.block;
}

void free_block_buffer() {
  State& s = state();
  std::free(s.block);
  s.block = nullptr;
  s.block_size = 0;
}

Command command(std::string_view name, std::initializer_list<int64_t> args) {
  Command cmd{};
  char* out = cmd.text;
  char* const end = cmd.text + sizeof(cmd.text) - 2;  // room for LF and terminator
  const size_t n = std::min(name.size(), static_cast<size_t>(end - out));
  std::memcpy(out, name.data(), n);
  out += n;
  bool first = true;
  for (int64_t a : args) {
    if (!first && out < end) *out++ = ',';
    first = false;
    auto r = std::to_chars(out, end, a);
    if (r.ec != std::errc()) break;
    out = r.ptr;
  }
  *out++ = '\n';
  *out = '\0';
  return cmd;
}

int32_t write_command(const Command& cmd) { return note_interface(QBX_WritePort(cmd.text)); }

int32_t read_line(Reply& reply) {
  reply.length = 0;
  reply.pos = 0;
  int32_t status = 0;
  int32_t bytes = 0;
  int32_t r = QBX_ReadPort(reply.line, kReplyLimit, &status, &bytes, kLineFeed);
  if (r == 0) r = status;
  if (bytes < 0) bytes = 0;
  if (bytes > kReplyLimit) bytes = kReplyLimit;
  reply.length = bytes;
  reply.line[bytes] = '\0';
  if (r != 0) {
    note_interface(r);
    // Bytes came but no line end within the time-out: a malformed reply (garbage, a line cut
    // off), not a silent device.
    return r == kQbxReadFailed && bytes > 0 ? kCvBadReply : r;
  }
  note_interface(0);
  if (bytes == 0 || reply.line[bytes - 1] != '\n') return kCvBadReply;
  return kCvOk;
}

bool parse_int(std::string_view text, int32_t* value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t v = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    if (v <= std::numeric_limits<int32_t>::max()) v = v * 10 + (text[i] - '0');
  }
  if (digits == 0) return false;
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
  *value = static_cast<int32_t>(v);
  return true;
}

bool Reply::at_end() const { return pos >= length || line[pos] == '\r' || line[pos] == '\n'; }

bool Reply::field(std::string_view* out) {
  if (at_end()) return false;
  int32_t end = pos;
  while (end < length && line[end] != ',' && line[end] != '\r' && line[end] != '\n') ++end;
  *out = std::string_view(line + pos, static_cast<size_t>(end - pos));
  pos = (end < length && line[end] == ',') ? end + 1 : end;
  return true;
}

int32_t Reply::next_int(int32_t* value) {
  std::string_view f;
  if (!field(&f) || !parse_int(f, value)) return kCvBadReply;
  return kCvOk;
}

int32_t error_status(Reply& reply) {
  int32_t r = write_command(command("EST?"));
  if (r != 0) return r;
  r = read_line(reply);
  if (r != 0) return r;
  if (reply.refused()) return kCvEstRefused;
  int32_t value = 0;
  if (reply.next_int(&value) != 0) return kCvBadReply;
  return value;
}

// After a refusal: the device's reason, or kCvBadReply when it reports none (a refusal must never
// come back as success). The error-status query reads into a reply of its own, so the refused
// reply stays where the caller has it.
static int32_t refusal_reason() {
  Reply own;
  const int32_t e = error_status(own);
  return e == 0 ? kCvBadReply : e;
}

int32_t query(const Command& cmd, Reply& reply, bool* refused) {
  if (refused != nullptr) *refused = false;
  int32_t r = write_command(cmd);
  if (r != 0) return r;
  r = read_line(reply);
  if (r != 0) return r;
  if (reply.refused()) {
    if (refused != nullptr) *refused = true;
    return refusal_reason();
  }
  return kCvOk;
}

int32_t set_reply(Reply& reply) {
  int32_t r = read_line(reply);
  if (r != 0) return r;
  if (reply.line[0] == '0') return kCvOk;
  int32_t value = 0;
  std::string_view f;
  if (reply.field(&f) && parse_int(f, &value) && (value == kCvWarnFilterFrequency || value == kCvWarnTareState))
    return value;
  return refusal_reason();
}

int32_t set_command(const Command& cmd, Reply& reply) {
  int32_t r = write_command(cmd);
  if (r != 0) return r;
  return set_reply(reply);
}

// One exact-length read; a read that returns without the full count is a failed read.
static int32_t read_exact(char* buffer, int32_t count) {
  int32_t status = 0;
  int32_t bytes = 0;
  int32_t r = QBX_ReadPort(buffer, count, &status, &bytes, 0);
  if (r == 0) r = status;
  if (r == 0 && bytes != count) r = kQbxReadFailed;
  return note_interface(r);
}

// A block whose framing is wrong leaves the line out of step: whatever else arrives belongs to it.
static int32_t malformed_block() {
  QBX_Delay(kResyncMs);
  note_interface(QBX_FlushInQueue());
  return kCvBadReply;
}

int32_t read_binary(unsigned char* payload, int32_t bytes) {
  char frame[4];
  int32_t r = read_exact(frame, 2);
  if (r != 0) return r;
  // A refusal comes as the line "?" CR LF in place of the block: its last byte is still on the
  // line; then the device's reason.
  if (frame[0] == '?') {
    if (frame[1] != '\n') read_exact(frame + 2, 1);
    return refusal_reason();
  }
  if (frame[0] != kBlockLeadIn) return malformed_block();
  if (bytes > 0) {
    r = read_exact(reinterpret_cast<char*>(payload), bytes);
    if (r != 0) return r;
  }
  r = read_exact(frame, 2);
  if (r != 0) return r;
  // The block ends like every reply, with CR LF; anything else means bytes were lost or added.
  if (frame[0] != '\r' || frame[1] != '\n') return malformed_block();
  return kCvOk;
}

}  // namespace corvan
