// A plug-in driver library built with the tests, loaded by the kernel and driven through each of
// its eight entry points: it reads the device table and channel headers and writes headers and
// IO buffers in place through the addresses the kernel hands it.
#include <dlfcn.h>

#include <string>
#include <vector>

#include "families/family.h"
#include "kernel_fixture.h"

using kernel_test::KernelTest;
using kernel_test::measured_header;

namespace {

using kernel_test::kNullPort;
constexpr int32_t kDevice = 3;
constexpr int16_t kPluginType = 77;

class PluginTest : public KernelTest {
 protected:
  void SetUp() override {
    KernelTest::SetUp();
    library_ = dlopen(TALLIX_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    log_ = reinterpret_cast<const char* (*)()>(dlsym(library_, "TestPluginLog"));
    clear_ = reinterpret_cast<void (*)()>(dlsym(library_, "TestPluginClearLog"));
    ASSERT_TRUE(log_ && clear_);
    clear_();
    const float rates[6] = {};
    const uint8_t widths[6] = {};
    ASSERT_EQ(QBX_ACQSetDeviceInfo(kDevice, kPluginType, kNullPort, 5, 0, 0, 4, 0, rates, widths), 0);
    ASSERT_EQ(QBX_ACQSetDeviceDriverInfo(kDevice, TALLIX_TEST_PLUGIN), 0);
  }
  void TearDown() override {
    KernelTest::TearDown();
    if (library_) dlclose(library_);
  }
  std::string take_log() {
    std::string l = log_();
    clear_();
    return l;
  }
  void* library_ = nullptr;
  const char* (*log_)() = nullptr;
  void (*clear_)() = nullptr;
};

}  // namespace

TEST_F(PluginTest, DrivesADeviceThroughEveryEntryPoint) {
  ASSERT_EQ(QBX_ACQInitDevice(kDevice, kPluginType, kNullPort, 5), 0);
  EXPECT_EQ(take_log(), "InitDriverLib;InitDevice 3 5 port 99;");
  EXPECT_EQ(+tallix::device(kDevice).plugin_loaded, 1);
  ASSERT_EQ(QBX_ACQInitDevice(kDevice, kPluginType, kNullPort, 5), 0);
  EXPECT_EQ(take_log(), "InitDevice 3 5 port 99;");  // the tables are handed over once

  // Channel set-up writes the headers in place; a formula channel is not set up.
  AcqHdr h = measured_header(kPluginType, kNullPort, 5, 4, kDevice);
  QBX_ACQSetAcqHdr(100, &h);
  h.hardware_channel = 6;
  QBX_ACQSetAcqHdr(101, &h);
  h.acq_class = 1;
  QBX_ACQSetAcqHdr(102, &h);
  const int32_t channels[] = {100, 101, 102};
  ASSERT_EQ(QBX_ACQInitChan(3, channels, 0, 0), 0);
  EXPECT_EQ(take_log(), "InitChan 100;InitChan 101;");
  AcqHdr out{};
  QBX_ACQGetAcqHdr(101, &out);
  EXPECT_EQ(out.full_scale, 1006);
  EXPECT_EQ(out.range, 5.0f);
  EXPECT_STREQ(out.unit, "N");

  // Start, read and stop through the family table, as the multi-scan does.
  const tallix::FamilyOps& family = tallix::family_for(kPluginType);
  ASSERT_EQ(QBX_ACQAllocIOBuf(100, 8, 0), 0);
  ASSERT_EQ(QBX_ACQAllocIOBuf(101, 8, 0), 0);
  tallix::buffer(101).write_offset = 2;
  EXPECT_EQ(family.start(kDevice, 2, channels, 4, 0), 0);
  int32_t length = 4;
  EXPECT_EQ(family.read(kDevice, 2, channels, &length, 0.0), 0);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(family.stop(kDevice), 0);
  EXPECT_EQ(take_log(), "Start 3 2 first 100;Read 3 2 4;Stop;");
  std::vector<double> values(6);
  ASSERT_EQ(QBX_ACQGetIOBuf(100, 0, 0, values.data()), 0);
  EXPECT_EQ(std::vector<double>(values.begin(), values.begin() + 4), (std::vector<double>{100000, 100001, 100002, 100003}));
  EXPECT_EQ(QBX_ACQGetIOBufCurrLen(101), 6);
  ASSERT_EQ(QBX_ACQGetIOBuf(101, 2, 4, values.data()), 0);
  EXPECT_EQ(values[0], 101000);
  EXPECT_EQ(values[3], 101003);
  EXPECT_EQ(tallix::header(101).read_block_count, 4);
  length = 8;
  EXPECT_EQ(family.read(kDevice, 2, channels, &length, 0.0), -214);  // the plug-in's own check
  take_log();

  // Commands go to the plug-in once per device with the caller's arguments.
  const int16_t list[] = {100, 101, 102};
  int32_t value = 0;
  EXPECT_EQ(QBX_ACQCmd(3, list, 55, &value), 3);
  EXPECT_EQ(value, 56);
  EXPECT_EQ(take_log(), "Cmd 3 55 100;");

  // Device control reaches the plug-in for device type 0 only.
  EXPECT_EQ(QBX_ACQDeviceControl(kDevice, 1, 2, 3), 0);
  EXPECT_EQ(take_log(), "");
  tallix::device(kDevice).device_type = 0;
  EXPECT_EQ(QBX_ACQDeviceControl(kDevice, 1, 2, 3), 6);
  EXPECT_EQ(take_log(), "DeviceControl 1 2 3;");
}

// A library without its last entry point: -499, the entries found before it stay stored, and the
// device stays without a loaded plug-in (no call reaches it).
TEST_F(PluginTest, MissingEntryPoint) {
  ASSERT_EQ(QBX_ACQSetDeviceDriverInfo(kDevice, TALLIX_TEST_PLUGIN_INCOMPLETE), 0);
  EXPECT_EQ(QBX_ACQInitDevice(kDevice, kPluginType, kNullPort, 5), kAcqPluginEntryMissing);
  const DeviceRecord& d = tallix::device(kDevice);
  EXPECT_EQ(+d.plugin_loaded, 0);
  EXPECT_NE(+d.plugin_handle, nullptr);
  for (int i = 0; i < 7; ++i) EXPECT_NE(+d.plugin_entry[i], nullptr) << i;
  EXPECT_EQ(+d.plugin_entry[7], nullptr);
  const int16_t list[] = {100};
  AcqHdr h = measured_header(kPluginType, kNullPort, 5, 4, kDevice);
  QBX_ACQSetAcqHdr(100, &h);
  int32_t value = 0;
  EXPECT_EQ(QBX_ACQCmd(1, list, 55, &value), 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(QBX_ACQInitDevice(kDevice, kPluginType, kNullPort, 5), kAcqPluginEntryMissing);
}

// Type 155 falls to the plug-in at device set-up without selecting a port (port 5 is not open).
TEST_F(PluginTest, ReservedType155UsesThePlugin) {
  EXPECT_EQ(QBX_ACQInitDevice(kDevice, 155, 5, 5), 0);
  EXPECT_EQ(take_log(), "InitDriverLib;InitDevice 3 5 port 5;");
  AcqHdr h = measured_header(155, kNullPort, 5, 4, kDevice);
  QBX_ACQSetAcqHdr(100, &h);
  const int32_t channels[] = {100};
  EXPECT_EQ(QBX_ACQInitChan(1, channels, 0, 0), kAcqReservedType);
}

// The math library binds to the kernel at run time: the delivered library must export both entry
// points under their C names, working with the documented signatures.
TEST(RuntimeBinding, MathLibraryEntryPoints) {
  void* kernel = dlopen(TALLIX32_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(kernel, nullptr) << dlerror();
  using GetIOBuf = int32_t (*)(int32_t, int32_t, int32_t, double*);
  using SetIOBufEx = int32_t (*)(int32_t, const int32_t*, const int32_t*, const double*, int32_t);
  using AllocIOBuf = int32_t (*)(int32_t, int32_t, int32_t);
  auto get = reinterpret_cast<GetIOBuf>(dlsym(kernel, "QBX_ACQGetIOBuf"));
  auto set = reinterpret_cast<SetIOBufEx>(dlsym(kernel, "QBX_ACQSetIOBufEx"));
  auto alloc = reinterpret_cast<AllocIOBuf>(dlsym(kernel, "QBX_ACQAllocIOBuf"));
  ASSERT_TRUE(get && set && alloc);
  ASSERT_EQ(alloc(9, 4, 0), 0);
  const int32_t channel[] = {9};
  const int32_t count[] = {3};
  const double values[] = {1.5, 2.5, 3.5};
  ASSERT_EQ(set(1, channel, count, values, 0), 0);
  double v = 0;
  EXPECT_EQ(get(9, -1, 1, &v), 0);  // the current formula row: the first value
  EXPECT_EQ(v, 1.5);
  EXPECT_EQ(get(9, -2, 1, &v), 0);
  EXPECT_EQ(v, 3.5);
  auto free_buffer = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(kernel, "QBX_ACQFreeIOBuf"));
  ASSERT_NE(free_buffer, nullptr);
  EXPECT_EQ(free_buffer(9), 0);  // that library's tables go with it
  dlclose(kernel);
}
