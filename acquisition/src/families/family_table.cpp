// The family map: which entry table serves each device type the kernel knows. Types not listed are
// served by a plug-in driver or a driver stack. Families whose code is not available answer -234
// from every entry; when a family's code arrives, its row points at its own entry table.
#include <iterator>

#include "families/family.h"
#include "tallix32.h"

namespace tallix {

int32_t entries::nothing_to_start(int32_t, int32_t, const int32_t*, int32_t, int32_t) { return kAcqOk; }

namespace {

struct FamilyRow {
  int32_t type;
  const FamilyOps* ops;
};

constexpr FamilyRow kFamilies[] = {
    {2, &kYalFamily},            // YAL amplifier system
    {3, &kSingleChannelFamily},  // single-channel family
    {8, &kCorvaneFamily},        // Corvane
    {16, &kAtmioFamily},         // ATMIO boards
    {40, &kVelmaFamily},         // VELMA
    {55, &kAmplifier55Family},   // amplifier family 55/56
    {56, &kAmplifier55Family},
    {60, &kAmplifier60Family},    // amplifier family with CR LF, channels 0..59
    {90, &kAmplifier90Family},    // amplifier family with CR
    {91, &kZelplusFamily},        // ZELPLUS
    {100, &kAmplifier100Family},  // amplifier family with CR LF, channels 0..99
    {155, &kReserved155Family},
    {156, &kReserved156Family},
    {157, &kInstrument157Family},  // further instrument family
    {2000, &kYalplusFamily},       // YALPLUS / YALPRESS
    {2001, &kDataServerFamily},    // data server family
};

}  // namespace

const FamilyOps& family_for(int32_t device_type) {
  for (const FamilyRow& row : kFamilies) {
    if (row.type == device_type) return *row.ops;
  }
  return kExternalFamily;
}

}  // namespace tallix
