// The older setup files (extension ".CV") that the program imports but never writes. A file opens
// with a 16-bit version word that chooses one of two layouts: 16560 (0x40B0, 16-bit fields and
// single-precision numbers) and 16570 (0x40BA, 32-bit fields and double-precision numbers). Each
// layout has a device record and then one channel record per channel of the device record's
// count. All numbers are little-endian, records have no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

inline constexpr uint16_t kOldSetupVersionA = 16560;  // 0x40B0
inline constexpr uint16_t kOldSetupVersionB = 16570;  // 0x40BA
inline constexpr int kOldSetupMaxChannels = 100;

#pragma pack(push, 1)
// Layout of version 16560.
struct OldDeviceRecordA {
  int16_t channel_count;
  int16_t rate;           // measuring rate id (not taken: the rates of that time differ)
  int16_t filter_type;    // 140 none, 141 Butterworth, 142 Bessel
  int16_t reserved;
  float filter_frequency; // hertz
};
struct OldChannelRecordA {
  int16_t amplifier;      // amplifier type id
  int16_t transducer;     // transducer id
  float range;            // measuring range id as a number
  int16_t filter;         // channel filter mode id
  int16_t tare;           // tare flag, nonzero: tare on
  float tare_value;       // in the channel's unit
  char name[8];           // not taken
};
// Layout of version 16570.
struct OldDeviceRecordB {
  int16_t channel_count;
  int16_t rate;
  int16_t filter_type;
  int16_t reserved;
  double filter_frequency;
  char device_name[10];   // not taken
};
struct OldChannelRecordB {
  int32_t amplifier;
  int32_t transducer;
  double range;
  int32_t filter;
  int16_t tare;
  int16_t reserved;
  double tare_value;
  char name[20];          // not taken
};
#pragma pack(pop)

static_assert(sizeof(OldDeviceRecordA) == 12 && offsetof(OldDeviceRecordA, filter_frequency) == 8);
static_assert(sizeof(OldChannelRecordA) == 24 && offsetof(OldChannelRecordA, tare_value) == 12 &&
              offsetof(OldChannelRecordA, name) == 16);
static_assert(sizeof(OldDeviceRecordB) == 26 && offsetof(OldDeviceRecordB, filter_frequency) == 8 &&
              offsetof(OldDeviceRecordB, device_name) == 16);
static_assert(sizeof(OldChannelRecordB) == 52 && offsetof(OldChannelRecordB, range) == 8 &&
              offsetof(OldChannelRecordB, filter) == 16 && offsetof(OldChannelRecordB, tare) == 20 &&
              offsetof(OldChannelRecordB, tare_value) == 24 && offsetof(OldChannelRecordB, name) == 32);

// One channel as either layout holds it.
struct OldChannel {
  int32_t amplifier = 0;
  int32_t transducer = 0;
  double range = 0;
  int32_t filter = 0;
  bool tare = false;
  double tare_value = 0;
};

struct OldSetup {
  uint16_t version = 0;
  int32_t filter_type = 0;
  double filter_frequency = 0;
  std::vector<OldChannel> channels;
};

// Status of a refused file: the version word is neither layout's (the driver's "unknown read
// form"), or the file is too short for what its version and channel count announce.
inline constexpr int32_t kOldSetupUnknownVersion = -114;
inline constexpr int32_t kOldSetupTooShort = -13;

// Parses a whole file. Every record is checked against the bytes that are there before it is
// read; a channel count outside 0..100 is refused. On failure returns nullopt with *status set
// and *problem saying what is wrong.
std::optional<OldSetup> parse_old_setup(std::string_view bytes, int32_t* status, std::string* problem);

// Filter-frequency id of a frequency in hertz by exact comparison (at the single precision that
// the older layout stores) against the table of the frequencies the older files used: 0.01 Hz 901
// ... 1 Hz 927 ... 12 kHz 983, and 15, 20 and 25 kHz giving 1100, 1140 and 1150. 0 when it is not
// in the table.
int32_t old_filter_frequency_id(double hertz);

}  // namespace setup
