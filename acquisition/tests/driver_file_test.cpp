// Loading driver files into slots: the bytes drvc writes are read back into sections, statements
// and argument texts; slots are kept, refused, removed and freed; and malformed files (cut short,
// offsets, counts and lengths beyond the end) load nothing, read nothing past the file and
// allocate no more than the file's size justifies. Memory failures at every allocation leave the
// slot empty with nothing held.
#include <algorithm>
#include <cstring>

#include "driver_stack_fixture.h"

namespace kernel_test {
namespace {

using tallix::StackSection;

// Counts blocks and remembers the largest request.
class WatchingPlatform : public CountingPlatform {
 public:
  void* allocate(size_t bytes) override {
    largest = std::max(largest, bytes);
    return CountingPlatform::allocate(bytes);
  }
  size_t largest = 0;
};

void put16(std::string& image, size_t at, uint16_t v) {
  image[at] = static_cast<char>(v & 0xFF);
  image[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& image, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t get32(const std::string& image, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(image[at + i])) << (8 * i);
  return v;
}

const char* const kTwoSections =
    "section ACQRead\n"
    "  x1 = 2 + 3\n"
    "  $2 = \"text\"\n"
    "end\n"
    "section MyInitDevice\n"
    "  x3 = 7\n"
    "end\n";

using DriverFileTest = DriverStackTest;

TEST_F(DriverFileTest, SectionsStatementsAndTextsComeBackAsWritten) {
  const std::string image = compile(kTwoSections);
  // Directory entry 1 at 80: offset, the two kept values, the name; the count sits at P - 1.
  EXPECT_EQ(static_cast<uint8_t>(image[0]) | static_cast<uint8_t>(image[1]) << 8, kAcqDriverMagic2);
  const uint32_t p = get32(image, 80);
  EXPECT_EQ(p, 64u * 2 + 64 + 1);
  EXPECT_EQ(std::string(image.data() + 88), "ACQRead");
  EXPECT_EQ(static_cast<uint8_t>(image[p - 1]), 2) << "statement count at P - 1";
  ASSERT_EQ(load(image), 0);
  tallix::DriverStack& s = stack();
  EXPECT_EQ(s.ready, 1);
  ASSERT_EQ(s.statement_count, 3);
  ASSERT_EQ(s.directory_count, 2);
  EXPECT_EQ(s.directory[1].first, 2) << "the kept values as the file has them";
  EXPECT_EQ(s.directory[1].second, 0);
  EXPECT_EQ(s.sections[static_cast<int>(StackSection::kRead)].first, 0);
  EXPECT_EQ(s.sections[static_cast<int>(StackSection::kRead)].count, 2);
  EXPECT_EQ(s.sections[static_cast<int>(StackSection::kInitDevice)].first, 2) << "a name containing InitDevice";
  EXPECT_EQ(s.sections[static_cast<int>(StackSection::kStart)].count, 0);
  EXPECT_EQ(s.statements[0].type, kDrvAssign);
  EXPECT_STREQ(s.statements[0].args[0], "1");
  EXPECT_STREQ(s.statements[0].args[1], "2+3") << "blanks are not part of formula texts";
  EXPECT_EQ(s.statements[0].args[2], nullptr) << "absent arguments stay absent";
  EXPECT_STREQ(s.statements[1].args[1], "\"text\"");
  EXPECT_TRUE(tallix::driver_stack_ready(kSlot));
  EXPECT_FALSE(tallix::driver_stack_has_section(kSlot, StackSection::kStop));
  EXPECT_EQ(tallix::run_driver_stack(kSlot, StackSection::kRead), 0) << "running past the end gives 0";
  EXPECT_EQ(number(1), 5.0);
  EXPECT_EQ(text(2), "text");
  EXPECT_EQ(tallix::run_driver_stack(kSlot, StackSection::kStop), 0) << "an empty section";
}

TEST_F(DriverFileTest, SlotsAreRefusedRemovedAndFreed) {
  const std::string image = compile(kTwoSections);
  EXPECT_EQ(QBX_ACQAllocDriverStack(kSlot, dir_.file("missing.drv").c_str()), kAcqStackFileNotFound);
  EXPECT_EQ(QBX_ACQAllocDriverStack(kSlot, dir_.path().c_str()), kAcqStackFileNotFound) << "a folder";
  EXPECT_EQ(QBX_ACQAllocDriverStack(kSlot, nullptr), kAcqStackFileNotFound);
  EXPECT_EQ(QBX_ACQAllocDriverStack(64, "x"), kAcqBadArgument);
  EXPECT_EQ(QBX_ACQRemoveDriverStack(-1), kAcqBadArgument);
  std::string wrong = image;
  put16(wrong, 0, 28000);
  EXPECT_EQ(load(wrong), kAcqStackNotDriverFile);

  CountingPlatform counting;
  tallix::set_platform(&counting);
  ASSERT_EQ(load(image, 0), 0);
  ASSERT_EQ(load(image, 5), 0);
  ASSERT_EQ(load(image, 63), 0);
  tallix::DriverStack* five = tallix::stack_in_slot(5);
  EXPECT_EQ(load(compile("section InitChan\nend\n"), 5), kAcqStackSlotInUse);
  EXPECT_EQ(tallix::stack_in_slot(5), five) << "the occupied slot is left as it is";
  EXPECT_EQ(QBX_ACQRemoveDriverStack(5), 0);
  EXPECT_EQ(tallix::stack_in_slot(5), nullptr);
  EXPECT_NE(tallix::stack_in_slot(0), nullptr) << "removing slot 5 keeps slot 0";
  EXPECT_NE(tallix::stack_in_slot(63), nullptr);
  EXPECT_EQ(QBX_ACQRemoveDriverStack(5), 0) << "an empty slot";
  ASSERT_EQ(load(image, 5), 0);
  EXPECT_EQ(QBX_ACQRemoveDriverStack(0), 0);
  for (int32_t s = 0; s < kAcqDriverSlots; ++s) EXPECT_EQ(tallix::stack_in_slot(s), nullptr) << s;
  EXPECT_EQ(counting.live, 0);

  // Initialising the slots frees what they hold instead of forgetting it.
  ASSERT_EQ(load(image, 7), 0);
  ASSERT_EQ(run("$1 = \"kept text\""), 0);
  EXPECT_GT(counting.live, 0);
  EXPECT_EQ(QBX_ACQInitDriverStacks(), 0);
  EXPECT_EQ(counting.live, 0);
  EXPECT_EQ(tallix::stack_in_slot(7), nullptr);
  tallix::set_platform(nullptr);
}

TEST_F(DriverFileTest, EveryCutOfAFileIsRefusedWithNothingHeld) {
  const std::string image = compile(kTwoSections);
  WatchingPlatform watching;
  tallix::set_platform(&watching);
  for (size_t n = 0; n < image.size(); ++n) {
    ASSERT_EQ(load(image.substr(0, n)), kAcqStackNotDriverFile) << "cut at " << n;
    ASSERT_EQ(tallix::stack_in_slot(kSlot), nullptr);
  }
  EXPECT_EQ(watching.live, 0);
  EXPECT_LE(watching.largest, sizeof(tallix::DriverStack));
  tallix::set_platform(nullptr);
}

TEST_F(DriverFileTest, OffsetsCountsAndLengthsBeyondTheFileAreRefused) {
  const std::string image = compile(kTwoSections);
  const uint32_t p = get32(image, 80);
  WatchingPlatform watching;
  tallix::set_platform(&watching);
  struct Case {
    const char* what;
    void (*spoil)(std::string&, uint32_t);
  };
  const Case cases[] = {
      {"section count beyond the directory", [](std::string& i, uint32_t) { put16(i, 2, 60000); }},
      {"offset past the end", [](std::string& i, uint32_t) { put32(i, 80, 0x7FFFFFF0u); }},
      {"offset 0", [](std::string& i, uint32_t) { put32(i, 80, 0); }},
      {"offset at the last byte", [](std::string& i, uint32_t) { put32(i, 80, static_cast<uint32_t>(i.size())); }},
      {"statement count beyond the file", [](std::string& i, uint32_t at) { put16(i, at - 1, 65535); }},
      {"text length beyond the file", [](std::string& i, uint32_t at) { put16(i, at + 1 + 2, 65535); }},
  };
  for (const Case& c : cases) {
    std::string spoiled = image;
    c.spoil(spoiled, p);
    EXPECT_EQ(load(spoiled), kAcqStackNotDriverFile) << c.what;
    EXPECT_EQ(tallix::stack_in_slot(kSlot), nullptr) << c.what;
  }
  // Many sections over the same statements: copies without end from a small file.
  const std::string shared = compile("section ACQRead\nx1 = 1\nx1 = 1\nx1 = 1\nend\n");
  const uint32_t q = get32(shared, 80);
  std::string many(64 * 200 + 64, '\0');
  many.replace(0, 4, shared.substr(0, 4));
  put16(many, 2, 200);
  const std::string body = shared.substr(q - 1);
  const uint32_t base = static_cast<uint32_t>(many.size());
  many += body;
  for (uint32_t s = 1; s <= 200; ++s) put32(many, 64 * s + 16, base + 1);
  EXPECT_EQ(load(many), kAcqStackNotDriverFile);
  EXPECT_EQ(watching.live, 0);
  EXPECT_LE(watching.largest, sizeof(tallix::DriverStack));
  tallix::set_platform(nullptr);
}

TEST_F(DriverFileTest, MemoryFailuresLeaveTheSlotEmpty) {
  const std::string image = compile(kTwoSections);
  for (int fail_at = 1;; ++fail_at) {
    CountingPlatform counting;
    counting.fail_at = fail_at;
    tallix::set_platform(&counting);
    const int32_t r = load(image);
    tallix::set_platform(nullptr);
    if (r == 0) {
      EXPECT_GT(fail_at, 4) << "stack block, directory, statements and texts";
      break;
    }
    EXPECT_EQ(r, kAcqStackNoMemory) << "allocation " << fail_at;
    EXPECT_EQ(tallix::stack_in_slot(kSlot), nullptr);
    EXPECT_EQ(counting.live, 0) << "allocation " << fail_at;
  }
}

}  // namespace
}  // namespace kernel_test
