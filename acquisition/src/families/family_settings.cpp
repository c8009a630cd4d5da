// The family settings of the kernel and the CAN-bus export that fills them.
#include "families/family_settings.h"

#include "tallix32.h"

namespace tallix {

FamilySettings& family_settings() {
  static FamilySettings settings;
  return settings;
}

}  // namespace tallix

extern "C" int32_t CANBUS_SetInitParameters(int32_t p1, int32_t p2, int32_t p3, int32_t p4) {
  int32_t* p = tallix::family_settings().can_init;
  p[0] = p1;
  p[1] = p2;
  p[2] = p3;
  p[3] = p4;
  return kAcqOk;
}
