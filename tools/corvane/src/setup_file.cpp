// Reading the fields of a binary setup file that load needs beyond the driver's reader.
#include "setup_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace corvane_cli {
namespace {

constexpr char kHeader[] = "QBX Corvane structure";
constexpr size_t kHeaderBytes = 22, kVersionBytes = 5, kDeviceBlockBytes = 64, kRecordBytes = 72;
constexpr size_t kDeviceTypeOffset = 16 + 10 + 24;  // after four integers, serial number, program version
constexpr size_t kDeviceTypeBytes = 10;
constexpr size_t kAmplifierOffset = 0, kNameOffset = 14, kNameBytes = 20, kDigitalOffset = 68;
constexpr int32_t kMostChannels = 100;

int32_t le32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(k)]);
  return static_cast<int32_t>(v);
}

std::string text_field(const std::string& bytes, size_t at, size_t size) {
  std::string field = bytes.substr(at, size);
  return field.substr(0, std::min(field.find('\0'), field.size()));
}

}  // namespace

std::optional<SetupFileContents> read_setup_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t block = kHeaderBytes + kVersionBytes;
  if (bytes.size() < block + kDeviceBlockBytes || std::memcmp(bytes.data(), kHeader, sizeof kHeader) != 0) {
    return std::nullopt;
  }
  SetupFileContents f;
  f.channel_count = le32(bytes, block);
  if (f.channel_count < 0 || f.channel_count > kMostChannels) return std::nullopt;
  if (bytes.size() < block + kDeviceBlockBytes + kRecordBytes * static_cast<size_t>(f.channel_count)) return std::nullopt;
  f.device_name = text_field(bytes, block + kDeviceTypeOffset, kDeviceTypeBytes);
  for (int32_t c = 0; c < f.channel_count; ++c) {
    const size_t at = block + kDeviceBlockBytes + kRecordBytes * static_cast<size_t>(c);
    SetupFileChannel ch;
    ch.amplifier = le32(bytes, at + kAmplifierOffset);
    ch.name = text_field(bytes, at + kNameOffset, kNameBytes);
    ch.digital = le32(bytes, at + kDigitalOffset);
    f.channels.push_back(ch);
  }
  return f;
}

}  // namespace corvane_cli
