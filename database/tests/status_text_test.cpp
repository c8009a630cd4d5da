// QBX_DatabaseStatusText: every status the header names has a text of its own, the two names of the
// wrong-kind status are one status, other numbers are unknown.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "storix32.h"

TEST(StatusText, EveryDatabaseStatusHasItsOwnText) {
  const int32_t statuses[] = {kDbOk, kDbFreeSpaceUnknown, kDbNotOpen, kDbOpenFailed, kDbBadMaxLen,
                              kDbBadChannelRange, kDbDiskFull, kDbNoDeinterleaveMemory, kDbWriteBeyondEnd,
                              kDbReadBeyondEnd, kDbSeekFailed, kDbWriteFailed, kDbReadFailed, kDbBadPosition,
                              kDbBadChannel, kDbTooFewValues, kDbNoMemory, kDbWrongKind};
  std::set<std::string> seen;
  for (int32_t status : statuses) {
    const std::string text = QBX_DatabaseStatusText(status);
    EXPECT_NE(text, "unknown status") << status;
    EXPECT_TRUE(seen.insert(text).second) << status << " repeats " << text;
  }
  EXPECT_STREQ(QBX_DatabaseStatusText(kDbOk), "success");
  EXPECT_STREQ(QBX_DatabaseStatusText(kDbNotOpen), "no database file is open");
  static_assert(kDbNotText == kDbWrongKind && kDbNotNumeric == kDbWrongKind);
  EXPECT_STREQ(QBX_DatabaseStatusText(-98), "unknown status");
}
