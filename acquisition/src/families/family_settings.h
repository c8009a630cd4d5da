// The settings the kernel keeps for families beside the Corvane: the VELMA amplifier settling
// time-out and the CAN-bus initialisation parameters (kept for the host, not used by the kernel).
#pragma once

#include <cstdint>

namespace tallix {

inline constexpr int32_t kDefaultVelmaSettlingMs = 60000;

struct FamilySettings {
  int32_t velma_settling_ms = kDefaultVelmaSettlingMs;
  int32_t can_init[4] = {};
};

FamilySettings& family_settings();

}  // namespace tallix
