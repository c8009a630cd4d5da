// The messages the database shows to the user (file and free-space errors), through one hook that a
// host may replace; standard error by default.
#pragma once

#include "storix32.h"

namespace storix {

// Texts of the messages, byte for byte; each takes printf-style arguments.
inline constexpr const char kMsgCreationError[] = "DB creation error: %i";
inline constexpr const char kMsgFreeSpaceUnknown[] = "Unable to determine available disk space: %i";
inline constexpr const char kMsgDiskSpaceError[] = "Err Disk Space: %s %i %i %i";

// Formats the message and hands it to the installed hook with an empty caption.
[[gnu::format(printf, 1, 2)]] void show_message(const char* format, ...);

// Installs the hook; nullptr restores the default.
void set_message_handler(DbMessageHandler handler);

}  // namespace storix
