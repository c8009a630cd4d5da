// Entries of a family whose code is not available: every operation answers "family not supported"
// (-234). The built-in families of other device types use this table until their code arrives;
// the ATMIO boards use it for good.
#include "families/family.h"
#include "tallix32.h"

namespace tallix {
namespace entries {

int32_t init_device_not_supported(int32_t, int32_t) { return kAcqFamilyNotSupported; }
int32_t init_chan_not_supported(int32_t) { return kAcqFamilyNotSupported; }
int32_t start_not_supported(int32_t, int32_t, const int32_t*, int32_t, int32_t) { return kAcqFamilyNotSupported; }
int32_t read_not_supported(int32_t, int32_t, const int32_t*, int32_t*, double) { return kAcqFamilyNotSupported; }
int32_t stop_not_supported(int32_t) { return kAcqFamilyNotSupported; }
int32_t command_not_supported(int32_t, int32_t, const int16_t*, int32_t, void*) { return kAcqFamilyNotSupported; }
int32_t read_back_not_supported(int32_t, const int32_t*) { return kAcqFamilyNotSupported; }

}  // namespace entries

using namespace entries;

const FamilyOps kNotAvailableFamily = {
    "not available", true, init_device_not_supported, init_chan_not_supported, start_not_supported,
    read_not_supported, stop_not_supported, command_not_supported, nullptr};

}  // namespace tallix
