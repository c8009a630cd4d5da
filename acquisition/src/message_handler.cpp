// The host's handler of the kernel's message boxes.
#include "message_handler.h"

namespace tallix {
namespace {
AcqMessageHandler g_handler = nullptr;
}  // namespace

AcqMessageHandler message_handler() { return g_handler; }

void set_message_handler(AcqMessageHandler handler) { g_handler = handler; }

}  // namespace tallix
