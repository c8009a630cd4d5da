// The handler of the kernel's message boxes: the host may install its own; by default a message
// goes to standard error.
#pragma once

#include "tallix32.h"

namespace tallix {

AcqMessageHandler message_handler();
void set_message_handler(AcqMessageHandler handler);

}  // namespace tallix
