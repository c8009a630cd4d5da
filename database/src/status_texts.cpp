// QBX_DatabaseStatusText: the meaning of every status of the channel database, one table.
#include <cstdint>

#include "storix32.h"

namespace {

struct StatusMeaning {
  int32_t status;
  const char* text;
};

constexpr StatusMeaning kStatusTexts[] = {
    {kDbOk, "success"},
    {kDbFreeSpaceUnknown, "the free disk space cannot be determined, or no memory to clear a text channel"},
    {kDbNotOpen, "no database file is open"},
    {kDbOpenFailed, "the database file cannot be created or opened, or it is not a sound database"},
    {kDbBadMaxLen, "the maximum length is outside 1..2000000000, or the channels do not fit the file"},
    {kDbBadChannelRange, "channel number outside 1..10000"},
    {kDbDiskFull, "not enough free disk space for the database file"},
    {kDbNoDeinterleaveMemory, "out of memory for separating interleaved values"},
    {kDbWriteBeyondEnd, "writing beyond the maximum length or the current end of the channel"},
    {kDbReadBeyondEnd, "reading beyond the current length of the channel"},
    {kDbSeekFailed, "positioning in the database file failed"},
    {kDbWriteFailed, "writing the database file failed"},
    {kDbReadFailed, "reading the database file failed"},
    {kDbBadPosition, "bad position, count, mode or argument"},
    {kDbBadChannel, "no such channel in the database"},
    {kDbTooFewValues, "not enough values for the statistic"},
    {kDbNoMemory, "out of memory in the database"},
    {kDbWrongKind, "the channel is of the other kind (text where numbers are wanted, or numbers where text is)"},
};

}  // namespace

extern "C" const char* QBX_DatabaseStatusText(int32_t status) {
  for (const StatusMeaning& m : kStatusTexts)
    if (m.status == status) return m.text;
  return "unknown status";
}
