// Channel database fixture (see channel_fixture.h).
#include "channel_fixture.h"

#include "storix32.h"

void ChannelDb::SetUp() {
  ASSERT_EQ(QBX_CreateDatabase(0, nullptr, kChannels), 0);
  DbChannelHeader h{};
  ASSERT_EQ(QBX_GetDatabaseChanConfig(kSmallChannel, &h), 0);
  h.max_length = kSmallCapacity;
  ASSERT_EQ(QBX_SetDatabaseChanConfig(kSmallChannel, &h), 0);
  ASSERT_EQ(QBX_CreateDatabase(1, dir_.file("signal.db").c_str(), 0), 0);
}

void ChannelDb::TearDown() { QBX_RemoveDatabase(1); }

void ChannelDb::put(int32_t channel, const std::vector<double>& v) {
  const int32_t list[1] = {channel};
  ASSERT_EQ(QBX_WriteToDatabase(1, list, v.data(), -1, static_cast<int32_t>(v.size())), 0);
}

std::vector<double> ChannelDb::values(int32_t channel) {
  std::vector<double> v(static_cast<std::size_t>(length(channel)));
  if (!v.empty()) {
    EXPECT_EQ(QBX_ReadFromDatabase(channel, 1, static_cast<int32_t>(v.size()), v.data()), 0);
  }
  return v;
}

int32_t ChannelDb::length(int32_t channel) { return QBX_GetDatabaseChanCurrLen(channel); }
