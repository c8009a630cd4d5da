// The reserved device types 155 and 156: every operation answers -451, except that type 155's
// device set-up and stop fall to the plug-in driver or driver stack of the device. Neither selects
// a port before its device set-up.
#include "families/family.h"
#include "tallix32.h"

namespace tallix {
namespace {

int32_t init_device_reserved(int32_t, int32_t) { return kAcqReservedType; }
int32_t init_chan_reserved(int32_t) { return kAcqReservedType; }
int32_t start_reserved(int32_t, int32_t, const int32_t*, int32_t, int32_t) { return kAcqReservedType; }
int32_t read_reserved(int32_t, int32_t, const int32_t*, int32_t*, double) { return kAcqReservedType; }
int32_t stop_reserved(int32_t) { return kAcqReservedType; }
int32_t command_reserved(int32_t, int32_t, const int16_t*, int32_t, void*) { return kAcqReservedType; }

}  // namespace

const FamilyOps kReserved155Family = {
    "reserved 155", false, entries::external_init_device, init_chan_reserved, start_reserved,
    read_reserved, entries::external_stop, command_reserved, nullptr};

const FamilyOps kReserved156Family = {
    "reserved 156", false, init_device_reserved, init_chan_reserved, start_reserved,
    read_reserved, stop_reserved, command_reserved, nullptr};

}  // namespace tallix
