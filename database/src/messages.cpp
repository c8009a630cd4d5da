// Message hook of the database: the libraries show a few messages to the user; on Linux they go to
// standard error unless the host installs its own handler.
#include "messages.h"

#include <cstdarg>
#include <cstdio>

namespace storix {

namespace {

void to_stderr(const char* /*caption*/, const char* text) { std::fprintf(stderr, "%s\n", text); }

DbMessageHandler g_handler = to_stderr;

}  // namespace

void show_message(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  g_handler("", text);
}

void set_message_handler(DbMessageHandler handler) { g_handler = handler ? handler : to_stderr; }

}  // namespace storix
