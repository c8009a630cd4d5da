// Creating, opening, listing and reading the channel database through STORIX32. Texts in the file
// are 8-bit Latin-1 and blank-filled; the tool speaks UTF-8. The channel's fourth text holds its
// rate ("9600 Hz") and its comment the time of its first value ("start 2026-...Z"), so that a
// database says by itself when and how fast it was recorded.
#include "channel_db.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "messages.h"
#include "run_metadata.h"
#include "session.h"
#include "storix32.h"
#include "text_codec.h"

namespace corvane_cli {
namespace {

constexpr int32_t kCreateDescriptions = 0, kCreateFile = 1, kOpenExisting = -1;
constexpr int32_t kFieldName = 0, kFieldUnit = 1, kFieldComment = 2, kFieldFourth = 3;
constexpr double kHeaderBytes = 1000000.0;  // the data areas start there
constexpr double kSecondsPerDay = 86400.0;
// The stamp is in days since 1899-12-30 00:00 UTC, the usual date number of measurement software.
constexpr double kUnixEpochDays = 25569.0;
constexpr const char* kStartPrefix = "start ";

void stamp_now(double* stamp) {
  const double unix_s = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  *stamp = unix_s / kSecondsPerDay + kUnixEpochDays;
}

std::string field_text(const char* field, size_t size) {
  std::string s(field, strnlen(field, size));
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return latin1_to_utf8(s);
}

[[noreturn]] void fail(const std::string& what, int32_t status) {
  throw CommandError(what + ": " + tr("{} (status {})", QBX_DatabaseStatusText(status), status) + ".");
}

// Messages the library would print (they repeat the status) are left to the tool's own sentence.
void quiet_messages(const char*, const char*) {}

}  // namespace

double free_disk_bytes(const std::string& path) {
  float total = 0, free_bytes = 0;
  QBX_SetDatabaseMessageHandler(quiet_messages);
  const int32_t r = QBX_GetFreeDiskSpaceEx(path.c_str(), &total, &free_bytes);
  QBX_SetDatabaseMessageHandler(nullptr);
  return r == 0 ? static_cast<double>(free_bytes) : -1.0;
}

double ChannelDatabase::file_bytes(size_t channels, int64_t scans) {
  return kHeaderBytes + static_cast<double>(channels) * static_cast<double>(scans) * sizeof(double);
}

ChannelDatabase ChannelDatabase::create(const std::string& path, const std::vector<NewDbChannel>& channels,
                                        int32_t capacity, double rate_hz, std::chrono::system_clock::time_point start,
                                        bool replace) {
  struct stat st {};
  if (!replace && ::stat(path.c_str(), &st) == 0) {
    throw CommandError(tr("The database {} exists already; give another name or --force to replace it.", path),
                       kExitUsage);
  }
  ChannelDatabase db(path);
  QBX_SetDatabaseMessageHandler(quiet_messages);
  QBX_SetCacheFlags(0, 0, 0, 0);  // every block reaches the file when it is stored
  const auto n = static_cast<int32_t>(channels.size());
  int32_t r = QBX_CreateDatabase(kCreateDescriptions, nullptr, n);
  if (r != 0) fail(tr("The database {} cannot be set up", path), r);
  for (int32_t i = 0; i < n; ++i) {
    DbChannelHeader h{};
    QBX_GetDatabaseChanConfig(i + 1, &h);
    h.max_length = capacity;
    QBX_SetDatabaseChanConfig(i + 1, &h);
    const NewDbChannel& c = channels[static_cast<size_t>(i)];
    QBX_SetDatabaseChanText(i + 1, kFieldName, utf8_to_latin1(c.name).c_str());
    QBX_SetDatabaseChanText(i + 1, kFieldUnit, utf8_to_latin1(c.unit).c_str());
    std::string comment = kStartPrefix + iso8601_utc(start) + (c.comment.empty() ? "" : "; " + c.comment);
    QBX_SetDatabaseChanText(i + 1, kFieldComment, utf8_to_latin1(comment).c_str());
    QBX_SetDatabaseChanText(i + 1, kFieldFourth, (format_number(rate_hz) + " Hz").c_str());
  }
  QBX_SetTimerCallback(stamp_now);
  r = QBX_CreateDatabase(kCreateFile, path.c_str(), n);
  QBX_SetDatabaseMessageHandler(nullptr);
  if (r != 0) {
    QBX_RemoveDatabase(0);
    QBX_SetTimerCallback(nullptr);
    const double need = file_bytes(channels.size(), capacity);
    if (r == kDbDiskFull) {
      throw CommandError(tr("The database {} needs {} MB, more than the disk has free; record shorter (--duration, "
                          "--max-duration) or elsewhere.",
                          path, format_fixed(need / 1e6, 1)));
    }
    fail(tr("The database {} cannot be created", path), r);
  }
  db.open_ = true;
  return db;
}

ChannelDatabase ChannelDatabase::open(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw CommandError(tr("The database {} does not exist.", path));
  ChannelDatabase db(path);
  QBX_SetDatabaseMessageHandler(quiet_messages);
  const int32_t r = QBX_CreateDatabase(kOpenExisting, path.c_str(), 0);
  QBX_SetDatabaseMessageHandler(nullptr);
  if (r != 0) {
    if (r == kDbOpenFailed) throw CommandError(tr("{} is not a channel database, or it cannot be read.", path));
    fail(tr("The database {} cannot be opened", path), r);
  }
  db.open_ = true;
  return db;
}

ChannelDatabase::ChannelDatabase(ChannelDatabase&& other) noexcept : path_(std::move(other.path_)), open_(other.open_) {
  other.open_ = false;
}

ChannelDatabase::~ChannelDatabase() { close(); }

void ChannelDatabase::close() {
  if (!open_) return;
  QBX_RemoveDatabase(0);
  QBX_SetTimerCallback(nullptr);
  open_ = false;
}

int32_t ChannelDatabase::channel_count() const { return QBX_GetDatabaseMaxChans(); }

DbChannelInfo ChannelDatabase::channel(int32_t number) const {
  DbChannelHeader h{};
  const int32_t r = QBX_GetDatabaseChanConfig(number, &h);
  if (r != 0) fail(tr("Channel {} of {} cannot be read", number, path_), r);
  DbChannelInfo info;
  info.number = number;
  info.name = field_text(h.name, sizeof h.name);
  info.unit = field_text(h.unit, sizeof h.unit);
  info.comment = field_text(h.comment, sizeof h.comment);
  info.length = h.length;
  info.max_length = h.max_length;
  if (h.kind == kDbKindNumeric && h.length > 0) {
    double v = 0;
    int32_t at = 0;
    // Stale extremes (after a crash, or values written at a position) are recomputed here.
    if (QBX_GetDatabaseChanMin(number, &v, &at) == 0) info.minimum = v;
    if (QBX_GetDatabaseChanMax(number, &v, &at) == 0) info.maximum = v;
  }
  const std::string fourth = field_text(h.fourth, sizeof h.fourth);
  if (fourth.size() > 3 && fourth.compare(fourth.size() - 3, 3, " Hz") == 0) {
    auto hz = parse_double(fourth.substr(0, fourth.size() - 3));
    if (hz && *hz > 0) info.rate_hz = *hz;
  }
  if (info.comment.compare(0, std::strlen(kStartPrefix), kStartPrefix) == 0) {
    const size_t end = info.comment.find(';');
    info.start = info.comment.substr(std::strlen(kStartPrefix),
                                     end == std::string::npos ? std::string::npos : end - std::strlen(kStartPrefix));
  }
  if (h.modified > 0) {
    const double unix_s = (h.modified - kUnixEpochDays) * kSecondsPerDay;
    info.modified = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(unix_s)));
  }
  return info;
}

void ChannelDatabase::read(int32_t number, int64_t first, int32_t count, double* out) const {
  const int32_t r = QBX_ReadFromDatabase(number, static_cast<int32_t>(first + 1), count, out);
  if (r != 0) fail(tr("Reading channel {} of {} failed", number, path_), r);
}

}  // namespace corvane_cli
