// Message boxes of the kernel on Linux: the host's handler, else one line on standard error.
#include "message_handler.h"

#include <cstdio>

namespace tallix {
namespace {

void to_stderr(const char* /*caption*/, const char* text) { std::fprintf(stderr, "%s\n", text); }

AcqMessageHandler g_handler = to_stderr;

}  // namespace

AcqMessageHandler message_handler() { return g_handler; }

void set_message_handler(AcqMessageHandler handler) { g_handler = handler ? handler : to_stderr; }

}  // namespace tallix
