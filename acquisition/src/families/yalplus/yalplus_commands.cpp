// QBX_ACQCmd for YALPLUS devices: the parameter words of the amplifier as a table of command codes.
// For each listed measured channel of the device: "PCS<slot>", "ESR?" (an error above 0: -207),
// "SPS<sub-channel>" when it has one, then the command line. Set commands take their value from
// the caller (int32_t, float, or two of them); queries ("<word>?") write the reply's numbers
// back (the last channel's reply stays). A refused command: "ESR?" and -270. Codes:
//    1 "TAV" tare            2 "CDV" zero the dead load     3 "CAL" calibrate
//    4 "CPV<i>"              5 "CAP0"                        6 "CAP1<x>,<y>"  7 "CAP2<x>,<y>" (float[2])
//    8 "CAV0,<x>" (float)    9 "AIS<i>"                     10 "ACL<i>"
//   11 "GFV<x>" (float)     12 "BFV<x>" (float)             13 "SFC<i>,<j>"  14 "SAD<i>,<j>" (int32_t[2])
//   15 "SPS<i>"             16 "LVL<i>,<x>" (float[2], the first taken as an integer)
//   101 "TAV?" 102 "CDV?" 108 "CAV?0" 111 "GFV?" 112 "BFV?" (float out); 104 "CPV?" 109 "AIS?"
//   110 "ACL?" 115 "SPS?" (int32_t out); 106 "CAP?1" 107 "CAP?2" (float[2] out); 113 "SFC?"
//   114 "SAD?" (int32_t[2] out). Another code: -253 without traffic.
#include <cstring>
#include <string>
#include <vector>

#include "families/yalplus/yalplus_family.h"
#include "families/yalplus/yalplus_line.h"
#include "families/yalplus/yalplus_state.h"
#include "kernel_state.h"
#include "tallix32_yalplus.h"

namespace tallix::yalplus {

namespace {

enum class Arg { kNone, kInt, kReal, kTwoReal, kTwoInt, kIntReal, kOutInt, kOutReal, kOutTwoReal, kOutTwoInt };

struct CommandRow {
  int32_t code;
  const char* word;
  Arg arg;
};

constexpr CommandRow kCommands[] = {
    {1, "TAV", Arg::kNone},         {2, "CDV", Arg::kNone},         {3, "CAL", Arg::kNone},
    {4, "CPV", Arg::kInt},          {5, "CAP0", Arg::kNone},        {6, "CAP1", Arg::kTwoReal},
    {7, "CAP2", Arg::kTwoReal},     {8, "CAV0,", Arg::kReal},       {9, "AIS", Arg::kInt},
    {10, "ACL", Arg::kInt},         {11, "GFV", Arg::kReal},        {12, "BFV", Arg::kReal},
    {13, "SFC", Arg::kTwoInt},      {14, "SAD", Arg::kTwoInt},      {15, "SPS", Arg::kInt},
    {16, "LVL", Arg::kIntReal},     {101, "TAV?", Arg::kOutReal},   {102, "CDV?", Arg::kOutReal},
    {104, "CPV?", Arg::kOutInt},    {106, "CAP?1", Arg::kOutTwoReal}, {107, "CAP?2", Arg::kOutTwoReal},
    {108, "CAV?0", Arg::kOutReal},  {109, "AIS?", Arg::kOutInt},    {110, "ACL?", Arg::kOutInt},
    {111, "GFV?", Arg::kOutReal},   {112, "BFV?", Arg::kOutReal},   {113, "SFC?", Arg::kOutTwoInt},
    {114, "SAD?", Arg::kOutTwoInt}, {115, "SPS?", Arg::kOutInt},
};

const CommandRow* find_command(int32_t code) {
  for (const CommandRow& row : kCommands)
    if (row.code == code) return &row;
  return nullptr;
}

template <class T>
T value_at(const void* value, int index) {
  T v{};
  std::memcpy(&v, static_cast<const uint8_t*>(value) + index * sizeof(T), sizeof v);
  return v;
}

template <class T>
void store_at(void* value, int index, T v) {
  std::memcpy(static_cast<uint8_t*>(value) + index * sizeof(T), &v, sizeof v);
}

std::string command_text(const CommandRow& row, const void* value) {
  std::string text = row.word;
  switch (row.arg) {
    case Arg::kInt: text += std::to_string(value_at<int32_t>(value, 0)); break;
    case Arg::kReal: text += number_text(value_at<float>(value, 0)); break;
    case Arg::kTwoReal:
      text += number_text(value_at<float>(value, 0)) + "," + number_text(value_at<float>(value, 1));
      break;
    case Arg::kTwoInt:
      text += std::to_string(value_at<int32_t>(value, 0)) + "," + std::to_string(value_at<int32_t>(value, 1));
      break;
    case Arg::kIntReal:
      text += std::to_string(static_cast<int32_t>(value_at<float>(value, 0))) + "," +
              number_text(value_at<float>(value, 1));
      break;
    default: break;
  }
  return text + "\n";
}

void store_reply(const CommandRow& row, const Reply& reply, void* value) {
  const std::vector<double> v = numbers(reply);
  auto at = [&v](size_t i) { return i < v.size() ? v[i] : 0.0; };
  switch (row.arg) {
    case Arg::kOutInt: store_at<int32_t>(value, 0, static_cast<int32_t>(at(0))); break;
    case Arg::kOutReal: store_at<float>(value, 0, static_cast<float>(at(0))); break;
    case Arg::kOutTwoReal:
      store_at<float>(value, 0, static_cast<float>(at(0)));
      store_at<float>(value, 1, static_cast<float>(at(1)));
      break;
    case Arg::kOutTwoInt:
      store_at<int32_t>(value, 0, static_cast<int32_t>(at(0)));
      store_at<int32_t>(value, 1, static_cast<int32_t>(at(1)));
      break;
    default: break;
  }
}

int32_t command_channel(const AcqHdr& h, const CommandRow& row, void* value) {
  Reply reply;
  int32_t r = exchange(line("PCS%i\n", h.hardware_channel), &reply);
  if (r != 0) return r;
  int32_t error = 0;
  if ((r = device_error(&error)) != 0) return r;
  if (error > 0 || reply.refused()) return kYalDeviceError;
  if (h.sub_channel > 0 && (r = set(line("SPS%i\n", h.sub_channel), kYalDeviceError)) != 0) return r;
  if ((r = exchange(command_text(row, value), &reply)) != 0) return r;
  if (reply.refused()) {
    device_error(&error);
    return kAcqDeviceRefused;
  }
  store_reply(row, reply, value);
  return kAcqOk;
}

}  // namespace

int32_t command(int32_t, int32_t count, const int16_t* channels, int32_t code, void* value) {
  const CommandRow* row = find_command(code);
  if (row == nullptr) return kAcqCommandNotSupported;
  if (row->arg != Arg::kNone && value == nullptr) return kAcqBadArgument;
  const CurrentDevice& c = kernel().current;
  int32_t result = kAcqOk;
  for (int32_t i = 0; i < count; ++i) {
    const AcqHdr& h = header(channels[i]);
    if (h.acq_class != 0 || h.interface != c.port || h.device_address != c.address) continue;
    result = command_channel(h, *row, value);
    if (result < 0) return result;
  }
  return result;
}

}  // namespace tallix::yalplus
