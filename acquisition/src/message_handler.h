// The handler a host installs for the kernel's message boxes (none by default: the platform then
// writes the message to standard error).
#pragma once

#include "tallix32.h"

namespace tallix {

AcqMessageHandler message_handler();
void set_message_handler(AcqMessageHandler handler);

}  // namespace tallix
