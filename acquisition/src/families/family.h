// The six operations every device family offers the kernel (device set-up, channel set-up, start,
// read, stop, channel command), and the lookup from a device type to its family. The frame
// dispatches only through these tables; each family keeps its entry table apart from its wire code.
#pragma once

#include <cstdint>

namespace tallix {

struct FamilyOps {
  const char* name;
  // QBX_ACQInitDevice selects the device's port and address before init_device.
  bool selects_before_init;
  // Device set-up of QBX_ACQInitDevice (port and address already selected when the flag says so).
  int32_t (*init_device)(int32_t device, int32_t address);
  // Channel set-up of QBX_ACQInitChan for one channel of class 0 (its port and address selected).
  int32_t (*init_chan)(int32_t channel);
  // Multi-scan start, read and stop of one device.
  int32_t (*start)(int32_t device, int32_t count, const int32_t* channels, int32_t block_length, int32_t option);
  int32_t (*read)(int32_t device, int32_t count, const int32_t* channels, int32_t* length, double read_mode);
  int32_t (*stop)(int32_t device);
  // QBX_ACQCmd for one device (current device set, port and address selected); the family filters
  // the list to its own channels.
  int32_t (*command)(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);
  // Read-back of QBX_ACQInitChan's mode -100 (device type 2000 only; nullptr elsewhere).
  int32_t (*read_back)(int32_t count, const int32_t* channels);
};

// The family of a device type; types without built-in code get the external-driver family
// (plug-in library or driver stack).
const FamilyOps& family_for(int32_t device_type);

// Entries shared by families.
namespace entries {
// A family whose code is not available: -234.
int32_t init_device_not_supported(int32_t device, int32_t address);
int32_t init_chan_not_supported(int32_t channel);
int32_t start_not_supported(int32_t device, int32_t count, const int32_t* channels, int32_t block_length,
                            int32_t option);
int32_t read_not_supported(int32_t device, int32_t count, const int32_t* channels, int32_t* length,
                           double read_mode);
int32_t stop_not_supported(int32_t device);
int32_t command_not_supported(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);
int32_t read_back_not_supported(int32_t count, const int32_t* channels);
// The external-driver path (plug-in library, else driver stack) for single operations of built-in
// families that hand them on.
int32_t external_init_device(int32_t device, int32_t address);
int32_t external_stop(int32_t device);
// The start of the families that measure on request only (each read asks): nothing to send; 0.
int32_t nothing_to_start(int32_t device, int32_t count, const int32_t* channels, int32_t block_length,
                         int32_t option);
}  // namespace entries

// The families with entry tables of their own.
extern const FamilyOps kCorvaneFamily;
extern const FamilyOps kAtmioFamily;
extern const FamilyOps kReserved155Family;
extern const FamilyOps kReserved156Family;
extern const FamilyOps kDataServerFamily;
extern const FamilyOps kExternalFamily;
// Families of other device types whose code is not available yet: every entry returns -234.
extern const FamilyOps kNotAvailableFamily;
extern const FamilyOps kYalplusFamily;
// The other built-in families, each in its own folder.
extern const FamilyOps kYalFamily;  // 2
extern const FamilyOps kSingleChannelFamily;  // 3
extern const FamilyOps kVelmaFamily;  // 40
extern const FamilyOps kAmplifier55Family;  // 55, 56
extern const FamilyOps kAmplifier60Family;  // 60
extern const FamilyOps kAmplifier90Family;  // 90
extern const FamilyOps kZelplusFamily;  // 91
extern const FamilyOps kAmplifier100Family;  // 100
extern const FamilyOps kInstrument157Family;  // 157

}  // namespace tallix
