// The six operations every device family offers the kernel (device set-up, channel set-up, start,
// read, stop, channel command), and the lookup from a device type to its family. The frame
// dispatches only through these tables; each family keeps its entry table apart from its wire code.
#pragma once

#include <cstdint>

namespace tallix {

// The signatures of the operations, so that a family's header declares its own by name
// (`FamilyRead read;`) and the entry tables hold them.
using FamilyDeviceSetup = int32_t(int32_t device, int32_t address);
using FamilyChannelSetup = int32_t(int32_t channel);
using FamilyStart = int32_t(int32_t device, int32_t count, const int32_t* channels, int32_t block_length,
                            int32_t option);
using FamilyRead = int32_t(int32_t device, int32_t count, const int32_t* channels, int32_t* length,
                           double read_mode);
using FamilyStop = int32_t(int32_t device);
using FamilyCommand = int32_t(int32_t device, int32_t count, const int16_t* channels, int32_t code, void* value);
using FamilyReadBack = int32_t(int32_t count, const int32_t* channels);

struct FamilyOps {
  const char* name;
  // QBX_ACQInitDevice selects the device's port and address before init_device.
  bool selects_before_init;
  // Device set-up of QBX_ACQInitDevice (port and address already selected when the flag says so).
  FamilyDeviceSetup* init_device;
  // Channel set-up of QBX_ACQInitChan for one channel of class 0 (its port and address selected).
  FamilyChannelSetup* init_chan;
  // Multi-scan start, read and stop of one device.
  FamilyStart* start;
  FamilyRead* read;
  FamilyStop* stop;
  // QBX_ACQCmd for one device (current device set, port and address selected); the family filters
  // the list to its own channels.
  FamilyCommand* command;
  // Read-back of QBX_ACQInitChan's mode -100 (device type 2000 only; nullptr elsewhere).
  FamilyReadBack* read_back;
};

// The family of a device type; types without built-in code get the external-driver family
// (plug-in library or driver stack).
const FamilyOps& family_for(int32_t device_type);

// Entries shared by families.
namespace entries {
// A family whose code is not available: -234.
FamilyDeviceSetup init_device_not_supported;
FamilyChannelSetup init_chan_not_supported;
FamilyStart start_not_supported;
FamilyRead read_not_supported;
FamilyStop stop_not_supported;
FamilyCommand command_not_supported;
FamilyReadBack read_back_not_supported;
// The external-driver path (plug-in library, else driver stack) for single operations of built-in
// families that hand them on.
FamilyDeviceSetup external_init_device;
FamilyStop external_stop;
// The start of the families that measure on request only (each read asks): nothing to send; 0.
FamilyStart nothing_to_start;
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
