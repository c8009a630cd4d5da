// Parsing the older setup files (see old_setup_file.h).
#include "old_setup_file.h"

#include "byte_cursor.h"

namespace setup {
namespace {

struct FrequencyId {
  double hertz;
  int32_t id;
};
// The filter frequencies of the older files: thirteen or fourteen steps a decade from 0.01 Hz
// (id 901) to 12 kHz (id 983); the ids of the driver's index strings (914 0.1 Hz, 918 0.25 Hz,
// 921 0.5 Hz, 927 1 Hz, 932 2.5 Hz, 935 5 Hz, 941 10 Hz, 945 20 Hz, 948 40 Hz, 952 75 Hz,
// 957 150 Hz, 960 300 Hz, 964 600 Hz, 971 1200 Hz) are among them.
constexpr FrequencyId kFrequencies[] = {
    {0.01, 901},  {0.012, 902}, {0.015, 903}, {0.02, 904},  {0.025, 905}, {0.03, 906},   {0.04, 907},
    {0.05, 908},  {0.06, 909},  {0.07, 910},  {0.075, 911}, {0.08, 912},  {0.09, 913},   {0.1, 914},
    {0.12, 915},  {0.15, 916},  {0.2, 917},   {0.25, 918},  {0.3, 919},   {0.4, 920},    {0.5, 921},
    {0.6, 922},   {0.7, 923},   {0.75, 924},  {0.8, 925},   {0.9, 926},   {1.0, 927},    {1.2, 928},
    {1.25, 929},  {1.5, 930},   {2.0, 931},   {2.5, 932},   {3.0, 933},   {4.0, 934},    {5.0, 935},
    {6.0, 936},   {7.0, 937},   {7.5, 938},   {8.0, 939},   {9.0, 940},   {10.0, 941},   {12.0, 942},
    {12.5, 943},  {15.0, 944},  {20.0, 945},  {25.0, 946},  {30.0, 947},  {40.0, 948},   {50.0, 949},
    {60.0, 950},  {70.0, 951},  {75.0, 952},  {80.0, 953},  {90.0, 954},  {100.0, 955},  {120.0, 956},
    {150.0, 957}, {200.0, 958}, {250.0, 959}, {300.0, 960}, {400.0, 961}, {450.0, 962},  {500.0, 963},
    {600.0, 964}, {700.0, 965}, {750.0, 966}, {800.0, 967}, {900.0, 968}, {1000.0, 969}, {1100.0, 970},
    {1200.0, 971}, {1500.0, 972}, {2000.0, 973}, {2500.0, 974}, {3000.0, 975}, {4000.0, 976},
    {5000.0, 977}, {6000.0, 978}, {7500.0, 979}, {8000.0, 980}, {9000.0, 981}, {10000.0, 982},
    {12000.0, 983}, {15000.0, 1100}, {20000.0, 1140}, {25000.0, 1150},
};

template <typename Device, typename Channel>
std::optional<OldSetup> parse_layout(ByteCursor& in, OldSetup setup, int32_t* status, std::string* problem) {
  auto refuse = [&](const std::string& why) {
    *status = kOldSetupTooShort;
    *problem = why;
    return std::nullopt;
  };
  Device device{};
  if (!in.take(&device)) {
    return refuse("the file ends inside its device record (" + std::to_string(in.left()) + " of " +
                  std::to_string(sizeof(Device)) + " bytes)");
  }
  if (device.channel_count < 0 || device.channel_count > kOldSetupMaxChannels) {
    return refuse("its channel count " + std::to_string(device.channel_count) + " lies outside 0..100");
  }
  const size_t needed = sizeof(Channel) * static_cast<size_t>(device.channel_count);
  if (in.left() < needed) {
    return refuse("it announces " + std::to_string(device.channel_count) + " channels (" + std::to_string(needed) +
                  " bytes) but holds " + std::to_string(in.left()) + " bytes after its device record");
  }
  setup.filter_type = device.filter_type;
  setup.filter_frequency = device.filter_frequency;
  for (int c = 0; c < device.channel_count; ++c) {
    Channel record{};
    in.take(&record);
    OldChannel channel;
    channel.amplifier = record.amplifier;
    channel.transducer = record.transducer;
    channel.range = record.range;
    channel.filter = record.filter;
    channel.tare = record.tare != 0;
    channel.tare_value = record.tare_value;
    setup.channels.push_back(channel);
  }
  return setup;
}

}  // namespace

std::optional<OldSetup> parse_old_setup(std::string_view bytes, int32_t* status, std::string* problem) {
  *status = 0;
  problem->clear();
  ByteCursor in(bytes);
  OldSetup setup;
  if (!in.take(&setup.version)) {
    *status = kOldSetupTooShort;
    *problem = "the file is too short for its version word";
    return std::nullopt;
  }
  if (setup.version == kOldSetupVersionA) {
    return parse_layout<OldDeviceRecordA, OldChannelRecordA>(in, setup, status, problem);
  }
  if (setup.version == kOldSetupVersionB) {
    return parse_layout<OldDeviceRecordB, OldChannelRecordB>(in, setup, status, problem);
  }
  *status = kOldSetupUnknownVersion;
  *problem = "its version word " + std::to_string(setup.version) + " is not one of 16560 and 16570";
  return std::nullopt;
}

int32_t old_filter_frequency_id(double hertz) {
  const float value = static_cast<float>(hertz);
  for (const FrequencyId& f : kFrequencies) {
    if (static_cast<float>(f.hertz) == value) return f.id;
  }
  return 0;
}

}  // namespace setup
