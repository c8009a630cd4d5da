// The single-channel family's entry table (device type 3).
#include "families/family.h"
#include "families/single_channel/single_channel.h"

namespace tallix {

namespace sc = single_channel;
const FamilyOps kSingleChannelFamily = {"single channel",  true,        sc::device_setup,
                                        sc::channel_setup, sc::start,   sc::read,
                                        sc::stop,          sc::command, nullptr};

}  // namespace tallix
