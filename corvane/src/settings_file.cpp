// Binary settings file: writes the device block and channel records byte for byte after the header
// and version texts, and reads them back under the rules that keep a chain's own amplifier types
// and, online, its channel count. The older 16-bit form is read when the current one fails.
#include "settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "connection.h"
#include "settings_model.h"

namespace corvan {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool read_exact(std::FILE* f, void* out, size_t bytes) { return std::fread(out, 1, bytes, f) == bytes; }

// The header text must occur within the first 22 bytes.
bool has_header(const unsigned char* bytes) {
  const std::string_view head(reinterpret_cast<const char*>(bytes), kSettingsHeaderBytes);
  return head.find(std::string_view(kSettingsHeader)) != std::string_view::npos;
}

int16_t le16(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

// Number of channel records a file of `file_count` channels updates: offline the file's count
// becomes the channel count; online the chain keeps its count and only the common part is read.
int32_t take_channel_count(int32_t file_count) {
  if (offline()) {
    state().device.channel_count = file_count;
    return file_count;
  }
  return std::min(file_count, channel_count());
}

// Offline a record takes the file's amplifier type; online a record of another amplifier type
// than the file's stays as it is. Returns false when the file's record is to be skipped.
bool take_amplifier(ChannelRecord& rec, int32_t file_amplifier) {
  if (offline()) {
    rec.amplifier = file_amplifier;
    return true;
  }
  return rec.amplifier == file_amplifier;
}

ChannelRecord* existing_record(int32_t channel) {
  return channel >= 0 && channel < kMaxChannels ? state().records[channel] : nullptr;
}

// Reads the current form. *recognised becomes true once the file passed the header and count
// checks and its settings were being taken.
int32_t read_current_form(std::FILE* f, bool* recognised) {
  unsigned char head[kSettingsHeaderBytes];
  if (!read_exact(f, head, sizeof head)) return kCvFileTooShort;
  if (!has_header(head)) return kCvFileNotSettings;
  char version[kSettingsVersionBytes];
  if (!read_exact(f, version, sizeof version)) return kCvFileTooShort;
  DeviceBlock block;
  if (!read_exact(f, &block, sizeof block)) return kCvFileTooShort;
  if (block.channel_count > kMaxChannels || block.channel_count < 0) return kCvFileTooShort;

  *recognised = true;
  DeviceBlock& dev = state().device;
  dev.rate = block.rate;
  dev.filter_type = block.filter_type;
  dev.filter_frequency = block.filter_frequency;
  const int32_t n = take_channel_count(block.channel_count);

  for (int32_t ch = 0; ch < n; ++ch) {
    ChannelRecord* rec = existing_record(ch);
    if (rec == nullptr) continue;  // no record in memory: nothing of the file is read for it
    ChannelRecord in;
    if (!read_exact(f, &in, sizeof in)) return kCvFileTooShort;
    if (!take_amplifier(*rec, in.amplifier)) continue;
    std::memcpy(rec->ident, in.ident, sizeof rec->ident);
    std::memcpy(rec->unit, in.unit, sizeof rec->unit);
    rec->state = in.state;
    rec->transducer = in.transducer;
    rec->range = in.range;
    rec->range_value = in.range_value;
    rec->measured = in.measured;
    rec->tare = in.tare;
    rec->filter_mode = in.filter_mode;
  }
  return kCvOk;
}

int32_t read_older_form(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_SET) != 0) return kCvFileSeekFailed;
  unsigned char head[kSettingsHeaderBytes];
  if (!read_exact(f, head, sizeof head) || !has_header(head)) return kCvFileNotSettings;
  char version[kSettingsVersionBytes];
  if (!read_exact(f, version, sizeof version)) return kCvFileTooShort;
  unsigned char block[kOldDeviceBlockBytes];
  if (!read_exact(f, block, sizeof block)) return kCvFileTooShort;
  const int32_t file_count = le16(block);
  // The records table holds 100 channels: a larger count is no settings file of this chain.
  if (file_count > kMaxChannels || file_count < 0) return kCvFileTooShort;

  DeviceBlock& dev = state().device;
  dev.rate = le16(block + 2);
  dev.filter_type = le16(block + 4);
  dev.filter_frequency = le16(block + 6);
  const int32_t n = take_channel_count(file_count);

  for (int32_t ch = 0; ch < n; ++ch) {
    ChannelRecord* rec = existing_record(ch);
    if (rec == nullptr) continue;
    unsigned char in[kOldChannelRecordBytes];
    if (!read_exact(f, in, sizeof in)) return kCvFileTooShort;
    if (!take_amplifier(*rec, le16(in))) continue;
    std::memcpy(rec->ident, in + 2, sizeof rec->ident);
    std::memcpy(rec->name, in + 12, sizeof rec->name);
    std::memcpy(rec->unit, in + 32, sizeof rec->unit);
    rec->state = le16(in + 38);
    rec->transducer = le16(in + 40);
    rec->range = le16(in + 42);
    rec->filter_mode = le16(in + 44);
    // The range value follows from the range; the unit stays as the file has it.
    ChannelRecord derived = *rec;
    derive_range(derived);
    rec->range_value = derived.range_value;
  }
  return kCvOk;
}

}  // namespace

int32_t write_whole_file(const char* path, const std::string& bytes) {
  File f(std::fopen(path, "wb"));
  if (!f) return kCvFileOpenFailed;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return kCvFileWriteFailed;
  // Buffered bytes reach the file only now; a full disk shows here or at the close.
  if (std::fflush(f.get()) != 0) return kCvFileWriteFailed;
  if (std::fclose(f.release()) != 0) return kCvFileWriteFailed;
  return kCvOk;
}

int32_t write_settings_binary(const char* path) {
  const State& s = state();
  std::string bytes;
  bytes.reserve(kSettingsHeaderBytes + kSettingsVersionBytes + sizeof(DeviceBlock) +
                sizeof(ChannelRecord) * kMaxChannels);
  bytes.append(kSettingsHeader, kSettingsHeaderBytes);
  bytes.append(kLibraryVersion, kSettingsVersionBytes);
  bytes.append(reinterpret_cast<const char*>(&s.device), sizeof s.device);
  const int32_t n = std::clamp(s.device.channel_count, 0, kMaxChannels);
  for (int32_t ch = 0; ch < n; ++ch) {
    if (s.records[ch] != nullptr) bytes.append(reinterpret_cast<const char*>(s.records[ch]), sizeof(ChannelRecord));
  }
  return write_whole_file(path, bytes);
}

int32_t read_settings(const char* path) {
  File f(std::fopen(path, "rb"));
  if (!f) return kCvFileOpenFailed;
  // A file that failed only after its settings were being taken is a damaged file of the current
  // form: reading it again as the older form would put misaligned bytes into the records.
  bool recognised = false;
  const int32_t current = read_current_form(f.get(), &recognised);
  if (current == kCvOk || recognised) return current;
  return read_older_form(f.get());
}

}  // namespace corvan
