// Statuses as sentences: a device error shows its number and the driver's own text for it
// ("10005 wrong value of parm"), a library or interface status its meaning.
#pragma once

#include <cstdint>
#include <string>

#include "driver.h"

namespace corvane_cli {

// Which family a negative status belongs to where the codes overlap (-10, -12 ... are interface
// statuses on the line and settings-file statuses on disk).
// kKernel: a status of the acquisition kernel (its own codes, else the interface's or the
// database's it passes through); kDatabase: a status of the channel database.
enum class StatusContext { kDevice, kFile, kKernel, kDatabase };

// The meaning of status (never empty). Device error numbers are looked up in the driver's
// index-string table and given in UTF-8.
std::string status_text(const Driver& driver, int32_t status, StatusContext context = StatusContext::kDevice);

}  // namespace corvane_cli
