// The YALPLUS entry table (device type 2000), with the read-back of QBX_ACQInitChan mode -100.
#include "families/family.h"
#include "families/yalplus/yalplus_family.h"

namespace tallix {

const FamilyOps kYalplusFamily = {"YALPLUS",
                                  true,
                                  yalplus::device_setup,
                                  yalplus::channel_setup,
                                  yalplus::start,
                                  yalplus::read,
                                  yalplus::stop,
                                  yalplus::command,
                                  yalplus::read_back};

}  // namespace tallix
