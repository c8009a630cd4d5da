// Storage of every block while measuring, end to end: one Corvane played by the simulator on the
// virtual clock, channels whose headers ask for the channel database and online files, and the
// bytes on disk compared with the simulator's ramps (encoded here by hand, independently of the
// kernel). Then the storage flag, the per-channel files, the failure paths (names that cannot be
// created, writes that fail part-way, no memory), a process killed between blocks, and the
// trigger records through the exports.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corvane_sim/engine.h"
#include "corvane_sim/server.h"
#include "kernel_fixture.h"
#include "linkar32.h"
#include "multiscan/acquisition_state.h"
#include "storage/online_files.h"
#include "storix32.h"
#include "testkit/pty_pair.h"
#include "testkit/temp_dir.h"

using kernel_test::measured_header;

namespace {

constexpr int32_t kPort = 1;
constexpr double kRate = 200.0;  // a rate of the Corvane table: 5 scans take 25 ms
constexpr double kRange = 3.0;  // mV/V of the bridge channels at power-on
constexpr double kFullScale = 25000.0;
constexpr int32_t kBlock = 5;

struct Ramp {
  int16_t hardware;
  int32_t base;  // raw count at scan 0
  int32_t step;  // raw counts per scan
};
const Ramp kRamps[3] = {{0, -10000, 3}, {1, 2000, -7}, {2, 500, 11}};  // kernel channels 1, 2, 3

double expected_value(int32_t channel, int64_t scan) {
  const Ramp& r = kRamps[channel - 1];
  // The scaling of a measured channel: zero offset (0) + range / full-scale count x raw.
  return 0.0 + kRange / kFullScale * static_cast<double>(r.base + r.step * scan);
}

// The bytes of little-endian numbers, written out byte by byte.
void put_le(std::string& out, uint64_t bits, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}
void put_count(std::string& out, int32_t c) { put_le(out, static_cast<uint32_t>(c), 4); }
void put_double(std::string& out, double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  put_le(out, bits, 8);
}
// Values of scans first .. first + n - 1 of a channel.
std::string values(int32_t channel, int64_t first, int32_t n) {
  std::string out;
  for (int32_t k = 0; k < n; ++k) put_double(out, expected_value(channel, first + k));
  return out;
}

off_t size_of(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// What the header callback and the message handler saw.
struct Seen {
  std::vector<std::vector<int32_t>> calls;  // mode, value, file size at the call
  std::vector<std::string> messages;
};
Seen& seen() {
  static Seen s;
  return s;
}
// Writes "H<mode>:<value>\n" into the file, as a host's header.
void header_callback(int32_t mode, int32_t fd, int32_t value) {
  struct stat st {};
  fstat(fd, &st);
  seen().calls.push_back({mode, value, static_cast<int32_t>(st.st_size)});
  const std::string text = "H" + std::to_string(mode) + ":" + std::to_string(value) + "\n";
  EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}
void message_handler(const char* caption, const char* text) {
  seen().messages.push_back(std::string(caption) + "|" + text);
}

// Makes the n-th write of the seam (1-based) write only `partial` bytes and the next one fail
// with ENOSPC; every allocation fails while `no_memory` is set.
class FaultyPlatform : public tallix::Platform {
 public:
  int64_t write_at(int fd, const iovec* pieces, int count, int64_t offset) override {
    ++writes;
    if (fail_at != 0 && writes == fail_at && partial > 0) {
      iovec first{pieces[0].iov_base, std::min(pieces[0].iov_len, static_cast<size_t>(partial))};
      return Platform::write_at(fd, &first, 1, offset);
    }
    if (fail_at != 0 && writes >= fail_at) return -ENOSPC;
    return Platform::write_at(fd, pieces, count, offset);
  }
  int create_file(const char* name) override { return create_error != 0 ? -create_error : Platform::create_file(name); }
  void* allocate(size_t bytes) override { return no_memory ? nullptr : Platform::allocate(bytes); }
  int writes = 0;
  int fail_at = 0;
  int partial = 0;
  int create_error = 0;
  bool no_memory = false;
};

// The kernel at its load-time state, the online files closed, no host callbacks seen.
void reset_storage() {
  kernel_test::reset_kernel();
  QBX_ACQSetMessageHandler(nullptr);
  seen() = Seen{};
}

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_storage();
    tallix::acquisition().running = 0;
    QBX_ACQResetTriggers();
    QBX_ACQSetMessageHandler(message_handler);
    QBX_OpenInterfaceLib();
    corvane_sim::EngineConfig config;
    config.virtual_clock = true;
    engine_ = std::make_unique<corvane_sim::Engine>(config);
    server_ = std::make_unique<corvane_sim::PtyServer>(*engine_);
    env_ = std::make_unique<testkit::ScopedEnv>("LINKAR32_COM1", server_->start());
    ASSERT_EQ(QBX_OpenPort(kPort, 9600, "e", 8, 1, 4096), 0);
    QBX_SetTimeout(1000);
    set_up_host();
  }
  void TearDown() override {
    QBX_ACQResetMultiScan();
    tallix::acquisition().running = 0;
    QBX_OpenInterfaceLib();
    QBX_SetTimeout(3000);
    server_->stop();
    QBX_RemoveDatabase(0);
    reset_storage();
    QBX_ACQResetTriggers();
  }

  void set_up_host() {
    const uint8_t widths[6] = {1, 1, 1, 1, 1, 1};
    const float rates[6] = {static_cast<float>(kRate), 0, 0, 0, 0, 0};
    ASSERT_EQ(QBX_ACQSetDeviceInfo(0, 8, kPort, 0, 0, 0, 1, 0, rates, widths), 0);
    ASSERT_EQ(QBX_ACQInitDevice(0, 8, kPort, 0), 0);
    for (int32_t ch = 1; ch <= 3; ++ch) {
      const Ramp& r = kRamps[ch - 1];
      AcqHdr h = measured_header(8, kPort, 0, r.hardware);
      ASSERT_EQ(QBX_ACQSetAcqHdr(ch, &h), 0);
      ASSERT_EQ(QBX_ACQAllocIOBuf(ch, 1000, 0), 0);
      ASSERT_EQ(QBX_ACQSetLinMode(ch, 1), 0);
      engine_->set_source(r.hardware, corvane_sim::SignalSource::ramp(r.base * kRange / kFullScale,
                                                                       r.step * kRate * kRange / kFullScale));
    }
    ASSERT_EQ(QBX_ACQInitChan(3, list_, 0, 0), 0);
    ASSERT_EQ(QBX_ACQSetSampleRate(static_cast<float>(kRate)), 0);
  }

  void storage_modes(int16_t m1, int16_t m2, int16_t m3) {
    tallix::header(1).storage_mode = m1;
    tallix::header(2).storage_mode = m2;
    tallix::header(3).storage_mode = m3;
  }

  int32_t start(int32_t block_length = 0) { return QBX_ACQStartMultiScan(3, list_, block_length, 0, 0, nullptr); }

  // One block of kBlock scans: the read's status. The block's first scan number is next_scan_.
  int32_t read_block() {
    engine_->advance_ms(kBlock * 1000.0 / kRate);
    QBX_ACQResetDeviceStatus();
    int32_t n = kBlock;
    const int32_t r = QBX_ACQReadMultiScan(3, list_, &n, 0.0, 0, 0, 0);
    EXPECT_EQ(n, kBlock);
    next_scan_ += kBlock;
    return r;
  }

  // The record of one block in a single online file: count and values of each listed channel.
  std::string single_file_block(std::initializer_list<int32_t> channels, int64_t first) const {
    std::string out;
    for (int32_t ch : channels) {
      put_count(out, kBlock);
      out += values(ch, first, kBlock);
    }
    return out;
  }

  void create_database() {
    ASSERT_EQ(QBX_CreateDatabase(0, nullptr, 10), 0);
    ASSERT_EQ(QBX_CreateDatabase(1, dir_.file("run.db").c_str(), 0), 0);
  }

  testkit::TempDir dir_;
  std::unique_ptr<corvane_sim::Engine> engine_;
  std::unique_ptr<corvane_sim::PtyServer> server_;
  std::unique_ptr<testkit::ScopedEnv> env_;
  int32_t list_[3] = {1, 2, 3};
  int64_t next_scan_ = 1;  // the simulator's first block starts with scan 1
};

}  // namespace

// Two online channels, blocks of 5 values: every read appends 2 x (4 + 40) bytes, each count
// followed by its values, behind the header the host wrote through the callback; the file grows
// block by block. A new run after the close creates the file anew.
TEST_F(StorageTest, SingleFileHoldsCountAndValuesOfEveryBlock) {
  create_database();  // channel 3 goes there too
  const std::string file = dir_.file("online.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, header_callback), 0);
  storage_modes(2, 0, 3);
  ASSERT_EQ(start(), 0);
  std::string expected = "H0:2\n";
  for (int block = 0; block < 4; ++block) {
    const int64_t first = next_scan_;
    ASSERT_EQ(read_block(), 0) << block;
    expected += single_file_block({1, 3}, first);
    ASSERT_EQ(size_of(file), static_cast<off_t>(expected.size())) << "block " << block;
  }
  EXPECT_EQ(testkit::read_file(file), expected);
  ASSERT_EQ(seen().calls.size(), 1u);
  EXPECT_EQ(seen().calls[0], (std::vector<int32_t>{0, 2, 0}));  // called on the empty file
  EXPECT_EQ(expected.size(), 5u + 4u * 2u * (4u + 40u));
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(3), 4 * kBlock);

  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  // The next run takes its list anew and empties the file: now three channels.
  storage_modes(2, 2, 3);
  ASSERT_EQ(start(), 0);
  int64_t first = next_scan_;
  ASSERT_EQ(read_block(), 0);
  expected = "H0:3\n" + single_file_block({1, 2, 3}, first);
  EXPECT_EQ(testkit::read_file(file), expected);
  // The list is kept until the next close, whatever the headers say meanwhile.
  storage_modes(2, 0, 0);
  first = next_scan_;
  ASSERT_EQ(read_block(), 0);
  expected += single_file_block({1, 2, 3}, first);
  EXPECT_EQ(testkit::read_file(file), expected);
}

// Storage flag x storage mode: -1 nothing, -2 online files only, -3 the database only (a channel
// of mode 3 goes to the database only), anything else both.
TEST_F(StorageTest, StorageFlagCombinations) {
  create_database();
  const std::string file = dir_.file("flags.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr), 0);
  storage_modes(1, 2, 3);
  ASSERT_EQ(start(), 0);
  struct Case {
    int32_t flag;
    bool database;
    bool online;
  };
  const Case cases[] = {{0, true, true}, {-1, false, false}, {-2, false, true}, {-3, true, false}, {7, true, true}};
  int32_t db_length = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
    unlink(file.c_str());
    ASSERT_EQ(QBX_SetOLStorageFlag(c.flag), 0);
    const int64_t first = next_scan_;
    ASSERT_EQ(read_block(), 0) << "flag " << c.flag;
    if (c.database) db_length += kBlock;
    EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), db_length) << "flag " << c.flag;
    EXPECT_EQ(QBX_GetDatabaseChanCurrLen(2), 0) << "flag " << c.flag;
    EXPECT_EQ(QBX_GetDatabaseChanCurrLen(3), db_length) << "flag " << c.flag;
    if (c.database) {
      std::vector<double> v(kBlock);
      ASSERT_EQ(QBX_ReadFromDatabase(3, db_length - kBlock + 1, kBlock, v.data()), 0);
      for (int32_t k = 0; k < kBlock; ++k) EXPECT_DOUBLE_EQ(v[static_cast<size_t>(k)], expected_value(3, first + k));
    }
    if (c.online) {
      EXPECT_EQ(testkit::read_file(file), single_file_block({2, 3}, first)) << "flag " << c.flag;
    } else {
      EXPECT_EQ(size_of(file), -1) << "flag " << c.flag;  // not even created
    }
  }
}

// One file per online channel: the i-th online channel into slot i, the header callback once per
// file with the channel number, then the doubles only. A channel without its file stops online
// storage with -303; the files written for that block are cut back.
TEST_F(StorageTest, OneFilePerChannel) {
  create_database();  // channel 1 goes there too
  ASSERT_EQ(QBX_ACQSetOLStorageMode(kAcqOnlineFilePerChannel), 0);
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, nullptr, 0, 0, 0, header_callback), 0);
  const std::string a = dir_.file("ch1.bin"), b = dir_.file("ch3.bin");
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(a.c_str(), 0), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(b.c_str(), 1), 0);
  storage_modes(3, 0, 2);
  ASSERT_EQ(start(), 0);
  std::string ea = "H1:1\n", eb = "H1:3\n";
  for (int block = 0; block < 3; ++block) {
    const int64_t first = next_scan_;
    ASSERT_EQ(read_block(), 0);
    ea += values(1, first, kBlock);
    eb += values(3, first, kBlock);
  }
  EXPECT_EQ(testkit::read_file(a), ea);
  EXPECT_EQ(testkit::read_file(b), eb);
  EXPECT_EQ(seen().calls.size(), 2u);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 3 * kBlock);

  // A third online channel has no file in slot 2.
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(a.c_str(), 0), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(b.c_str(), 1), 0);
  storage_modes(2, 2, 2);
  seen().calls.clear();
  EXPECT_EQ(read_block(), kAcqFileNotCreated);
  EXPECT_EQ(testkit::read_file(a), "H1:1\n");  // header kept, block cut back
  EXPECT_EQ(testkit::read_file(b), "H1:2\n");
  EXPECT_EQ(read_block(), kAcqFileNotCreated);  // stopped: nothing more is written
  EXPECT_EQ(testkit::read_file(a), "H1:1\n");
  // The close ends the stop; with a file in slot 2 every block is stored again.
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  for (int32_t slot = 0; slot < 3; ++slot)
    ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("s" + std::to_string(slot)).c_str(), slot), 0);
  const int64_t first = next_scan_;
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(testkit::read_file(dir_.file("s1")), "H1:2\n" + values(2, first, kBlock));
}

// A write that fails part-way (here: the disk fills up) gives -304; the file is cut back to the
// last whole block and stays so; the database part goes on; the close and a new file resume.
TEST_F(StorageTest, FailedWritesStopOnlineStorageCleanly) {
  create_database();
  const std::string file = dir_.file("fails.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr), 0);
  storage_modes(3, 2, 0);
  ASSERT_EQ(start(), 0);
  FaultyPlatform faulty;
  tallix::set_platform(&faulty);
  std::string expected;
  for (int block = 0; block < 2; ++block) {
    const int64_t first = next_scan_;
    ASSERT_EQ(read_block(), 0);
    expected += single_file_block({1, 2}, first);
  }
  faulty.fail_at = faulty.writes + 1;
  faulty.partial = 30;  // part of the block reaches the file, then the disk is full
  EXPECT_EQ(read_block(), kAcqFileWriteFailed);
  EXPECT_EQ(testkit::read_file(file), expected);
  faulty.fail_at = 0;  // space again: still nothing is written until the close
  EXPECT_EQ(read_block(), kAcqFileWriteFailed);
  EXPECT_EQ(testkit::read_file(file), expected);
  EXPECT_EQ(QBX_GetDatabaseChanCurrLen(1), 4 * kBlock);  // the database got every block
  tallix::set_platform(nullptr);

  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  const int64_t first = next_scan_;
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(testkit::read_file(file), single_file_block({1, 2}, first));

  // A real full device.
  if (access("/dev/full", W_OK) == 0) {
    ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
    ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, "/dev/full", 0, 0, 0, nullptr), 0);
    EXPECT_EQ(read_block(), kAcqFileWriteFailed);
    EXPECT_EQ(read_block(), kAcqFileWriteFailed);
  }
  // Per-channel files: the second file fails, the first is cut back.
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  ASSERT_EQ(QBX_ACQSetOLStorageMode(kAcqOnlineFilePerChannel), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("p0").c_str(), 0), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("p1").c_str(), 1), 0);
  tallix::set_platform(&faulty);
  const int64_t kept = next_scan_;
  ASSERT_EQ(read_block(), 0);
  faulty.fail_at = faulty.writes + 2;
  faulty.partial = 0;
  EXPECT_EQ(read_block(), kAcqFileWriteFailed);
  tallix::set_platform(nullptr);
  EXPECT_EQ(testkit::read_file(dir_.file("p0")), values(1, kept, kBlock));
  EXPECT_EQ(testkit::read_file(dir_.file("p1")), values(2, kept, kBlock));
}

// Names that cannot become files give a status and the message with the system's error number;
// a name too long for the kernel is refused when it is given.
TEST_F(StorageTest, BadNamesGiveAStatusNeverACrash) {
  storage_modes(2, 0, 0);
  ASSERT_EQ(start(), 0);
  // No name at all (the default), a missing folder, a folder as the name.
  const std::string names[] = {"", dir_.file("missing/online.bin"), dir_.path()};
  const int errors[] = {ENOENT, ENOENT, EISDIR};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
    ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, names[i].c_str(), 0, 0, 0, nullptr), 0);
    seen().messages.clear();
    EXPECT_EQ(read_block(), kAcqFileNotCreated) << names[i];
    EXPECT_EQ(read_block(), kAcqFileNotCreated) << names[i];  // stopped: no second message
    ASSERT_EQ(seen().messages.size(), 1u);
    EXPECT_EQ(seen().messages[0], "|Online export error: " + std::to_string(errors[i]));
  }
  // A folder without write permission (root writes anywhere: the seam plays it then).
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  FaultyPlatform faulty;
  faulty.create_error = EACCES;
  tallix::set_platform(&faulty);
  seen().messages.clear();
  EXPECT_EQ(read_block(), kAcqFileNotCreated);
  EXPECT_EQ(seen().messages, (std::vector<std::string>{"|Online export error: 13"}));
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("x").c_str(), 4), kAcqFileNotCreated);
  tallix::set_platform(nullptr);

  const std::string good = dir_.file("good.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, good.c_str(), 0, 0, 0, nullptr), 0);
  const std::string too_long = "/tmp/" + std::string(251, 'n');  // 256 characters
  EXPECT_EQ(QBX_ACQSetOnlineFile(0, 0, too_long.c_str(), 0, 0, 0, nullptr), kAcqBadArgument);
  EXPECT_EQ(std::string(tallix::online().name), good);  // the name before stays
  const std::string longest = too_long.substr(0, 255);
  EXPECT_EQ(QBX_ACQSetOnlineFile(1, 0, longest.c_str(), 1, 0, 0, nullptr), 0);  // the export file's name
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(good.c_str(), -1), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(good.c_str(), 256), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(nullptr, 0), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(too_long.c_str(), 0), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("missing/x").c_str(), 255), kAcqFileNotCreated);
  EXPECT_EQ(QBX_ACQSetOLStorageMode(2), kAcqBadArgument);
  EXPECT_EQ(tallix::online().mode, kAcqOnlineSingleFile);
  EXPECT_EQ(QBX_ACQCloseOnlineFile(0x10000), 0);  // low 16 bits 0: the online files
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(size_of(good), 4 + 40);
  EXPECT_EQ(QBX_ACQCloseOnlineFile(1), 0);  // the export file: the online file stays open
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(size_of(good), 2 * (4 + 40));
}

// No memory for the online channel list: -302, and online storage stops until the close. Online
// storage switched off writes no file at all.
TEST_F(StorageTest, NoMemoryAndDisabledStorage) {
  const std::string file = dir_.file("m.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr), 0);
  storage_modes(2, 2, 0);
  ASSERT_EQ(start(), 0);
  FaultyPlatform faulty;
  faulty.no_memory = true;
  tallix::set_platform(&faulty);
  EXPECT_EQ(read_block(), kAcqOnlineNoMemory);
  tallix::set_platform(nullptr);
  EXPECT_EQ(read_block(), kAcqOnlineNoMemory);
  EXPECT_EQ(size_of(file), -1);
  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(size_of(file), 2 * (4 + 40));

  ASSERT_EQ(QBX_ACQCloseOnlineFile(0), 0);
  unlink(file.c_str());
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 1, 0, 0, nullptr), 0);
  ASSERT_EQ(read_block(), 0);
  EXPECT_EQ(size_of(file), -1);
}

// Trigger records given through the exports reach the Corvane start; after the reset no start
// sends a condition. The level is the channel's scaling run backwards, zero offset, bridge gain and
// software tare included.
TEST_F(StorageTest, TriggerRecordsReachTheCorvaneStart) {
  AcqTrigger t{};
  t.device = 0;
  t.mode = 2;
  t.channel = 2;  // hardware channel 1
  t.condition = 3;
  t.level = 1.75f;
  t.pretrigger = 20;
  ASSERT_EQ(QBX_ACQSetTrgCtrlStructEx(&t, 4), 0);
  tallix::header(2).zero_offset = 0.25f;
  engine_->clear_received_bytes();
  ASSERT_EQ(start(100), 0);
  // (1.75 - 0.25) / 3 x 25000 = 12500.
  std::string bytes = engine_->received_bytes();
  EXPECT_NE(bytes.find("EST?\nDTR1,6003,12500\nEST?\nMSV100,20,6103,0\n"), std::string::npos) << bytes;
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);

  // A bridge with p0 = 2, p1 = 1, p2 = 0.5 turns mV/V into x 1000, less a tare of 100: the level
  // 1650 is (1650 + 100) / 1000 = 1.75 mV/V before the zero offset.
  double bridge[10] = {2, 1, 0.5, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(QBX_ACQCreateLinTab(2, 2, 3, 10, bridge, nullptr), 0);
  double tare = 100.0;
  ASSERT_EQ(QBX_ACQSoftwareTare(0, 2, &tare), 0);
  t.level = 1650.0f;
  ASSERT_EQ(QBX_ACQSetTrgCtrlStructEx(&t, 4), 0);
  engine_->clear_received_bytes();
  ASSERT_EQ(start(100), 0);
  bytes = engine_->received_bytes();
  EXPECT_NE(bytes.find("DTR1,6003,12500\n"), std::string::npos) << bytes;
  ASSERT_EQ(QBX_ACQStopMultiScan(), 0);

  ASSERT_EQ(QBX_ACQResetTriggers(), 0);
  engine_->clear_received_bytes();
  ASSERT_EQ(start(100), 0);
  bytes = engine_->received_bytes();
  EXPECT_EQ(bytes.find("DTR"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("MSV100,1,6100,0\n"), std::string::npos) << bytes;
  EXPECT_EQ(engine_->acquisition().trigger_mode, 6100);
}

// A process killed between reads leaves every block it stored in the online file: each block is
// written through before the read returns.
TEST(OnlineFileKill, BlocksWrittenBeforeAKillAreOnDisk) {
  reset_storage();
  testkit::TempDir dir;
  const std::string file = dir.file("killed.bin");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr);
    const int32_t list[2] = {1, 2};
    for (int32_t ch : list) {
      QBX_ACQAllocIOBuf(ch, 100, 0);
      tallix::header(ch).storage_mode = 2;
      tallix::header(ch).read_block_count = 4;
    }
    for (int block = 0; block < 3; ++block) {
      for (int32_t ch : list) {
        for (int32_t k = 0; k < 4; ++k) tallix::buffer(ch).values[k] = expected_value(ch, block * 4 + k);
      }
      if (tallix::write_online_block(2, list) != 0) _exit(1);
    }
    raise(SIGKILL);
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  std::string expected;
  for (int block = 0; block < 3; ++block) {
    for (int32_t ch : {1, 2}) {
      put_count(expected, 4);
      for (int32_t k = 0; k < 4; ++k) put_double(expected, expected_value(ch, block * 4 + k));
    }
  }
  EXPECT_EQ(testkit::read_file(file), expected);
}

namespace {

// Takes at most `limit` bytes per write, as a pipe or a signal may make the system do.
class ShortWritesPlatform : public tallix::Platform {
 public:
  int64_t write_at(int fd, const iovec* pieces, int count, int64_t offset) override {
    ++calls;
    std::vector<iovec> cut;
    size_t left = limit;
    for (int i = 0; i < count && left > 0; ++i) {
      const size_t n = std::min(left, pieces[i].iov_len);
      cut.push_back(iovec{pieces[i].iov_base, n});
      left -= n;
    }
    return Platform::write_at(fd, cut.data(), static_cast<int>(cut.size()), offset);
  }
  size_t limit = 13;
  int calls = 0;
};

// Blocks put into the IO buffers by hand: channel ch holds n values ch * 100 + k.
void put_block(int32_t ch, int32_t n) {
  tallix::header(ch).read_block_count = n;
  for (int32_t k = 0; k < n; ++k) tallix::buffer(ch).values[k] = ch * 100.0 + k;
}
std::string hand_values(int32_t ch, int32_t n) {
  std::string out;
  for (int32_t k = 0; k < n; ++k) put_double(out, ch * 100.0 + k);
  return out;
}

class OnlineBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_storage();
    for (int32_t ch : list_) {
      ASSERT_EQ(QBX_ACQAllocIOBuf(ch, 50, 0), 0);
      tallix::header(ch).storage_mode = 2;
    }
  }
  void TearDown() override {
    tallix::set_platform(nullptr);
    reset_storage();
  }
  testkit::TempDir dir_;
  int32_t list_[2] = {4, 9};
};

}  // namespace

// A channel without values still writes its count 0 into the single file; the system taking
// each write in small parts changes nothing in the file.
TEST_F(OnlineBlockTest, EmptyBlocksAndShortWritesInTheSingleFile) {
  const std::string file = dir_.file("short.bin");
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, file.c_str(), 0, 0, 0, nullptr), 0);
  ShortWritesPlatform short_writes;
  tallix::set_platform(&short_writes);
  put_block(4, 0);
  put_block(9, 7);
  ASSERT_EQ(tallix::write_online_block(2, list_), 0);
  put_block(4, 3);
  put_block(9, 0);
  ASSERT_EQ(tallix::write_online_block(2, list_), 0);
  std::string expected;
  put_count(expected, 0);
  put_count(expected, 7);
  expected += hand_values(9, 7);
  put_count(expected, 3);
  expected += hand_values(4, 3);
  put_count(expected, 0);
  EXPECT_EQ(testkit::read_file(file), expected);
  EXPECT_EQ(short_writes.calls, 5 + 3);  // 64 and 32 bytes, 13 at a time
}

// Per-channel files: a channel whose first blocks are empty gets its header when its first values
// come, not never; empty blocks write nothing.
TEST_F(OnlineBlockTest, PerChannelHeaderComesWithTheFirstValues) {
  ASSERT_EQ(QBX_ACQSetOLStorageMode(kAcqOnlineFilePerChannel), 0);
  ASSERT_EQ(QBX_ACQSetOnlineFile(0, 0, nullptr, 0, 0, 0, header_callback), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("a").c_str(), 0), 0);
  ASSERT_EQ(QBX_ACQOpenSingleOnlineFile(dir_.file("b").c_str(), 1), 0);
  put_block(4, 2);
  put_block(9, 0);
  ASSERT_EQ(tallix::write_online_block(2, list_), 0);
  EXPECT_EQ(testkit::read_file(dir_.file("b")), "");
  put_block(4, 0);
  put_block(9, 4);
  ASSERT_EQ(tallix::write_online_block(2, list_), 0);
  EXPECT_EQ(testkit::read_file(dir_.file("a")), "H1:4\n" + hand_values(4, 2));
  EXPECT_EQ(testkit::read_file(dir_.file("b")), "H1:9\n" + hand_values(9, 4));
  // A header's block count beyond its IO buffer is refused before anything is written.
  put_block(4, 1);
  tallix::header(9).read_block_count = 51;
  EXPECT_EQ(tallix::write_online_block(2, list_), kAcqDoesNotFit);
  EXPECT_EQ(testkit::read_file(dir_.file("a")), "H1:4\n" + hand_values(4, 2));
}
