// The libusb backend against a stand-in libusb handed out by the platform seam's dlopen/dlsym: -6003
// for every USB call when the library or one of its functions is missing (and from then on), the
// vendor:product filter of LINKAR32_USB_IDS, the serial-number string as the name, the first bulk
// endpoints of interface 0 as the pipes, and bulk transfers with the time-out. Where libusb-1.0 is
// installed, every function the backend takes must be found in it.
#include <cstring>
#include <deque>
#include <set>

#include "libusb_abi.h"
#include "linkar_fixture.h"
#include "platform.h"
#include "usb_backend.h"
#include "usb_pipes.h"

namespace {

namespace lu = linkar::libusb;

// One device on the stand-in bus.
struct FakeDevice {
  uint16_t vendor;
  uint16_t product;
  uint8_t bus;
  uint8_t address;
  uint8_t serial_index;  // 0: the device has no serial-number string
  std::string serial;
};

// State of the stand-in library, reached by its plain functions.
struct FakeBus {
  std::vector<FakeDevice> devices;
  bool init_fails = false;
  int opened_handles = 0;
  std::set<int> claimed;  // device indices with interface 0 claimed
  std::string sent;       // bytes of every bulk OUT transfer
  std::vector<unsigned char> out_endpoints;
  std::vector<unsigned int> timeouts;
  std::deque<std::string> replies;  // one bulk IN transfer each
  bool in_fails = false;
  // Interface 0: an interrupt IN endpoint first, then bulk IN 0x82, bulk OUT 0x01, bulk IN 0x84.
  lu::EndpointDescriptor endpoints[4] = {
      {7, 5, 0x83, 0x03, 8, 1, 0, 0, nullptr, 0},
      {7, 5, 0x82, 0x02, 64, 0, 0, 0, nullptr, 0},
      {7, 5, 0x01, 0x02, 64, 0, 0, 0, nullptr, 0},
      {7, 5, 0x84, 0x02, 64, 0, 0, 0, nullptr, 0},
  };
  lu::InterfaceDescriptor setting{9, 4, 0, 0, 4, 0xFF, 0, 0, 0, endpoints, nullptr, 0};
  lu::Interface interface { &setting, 1 };
  lu::ConfigDescriptor config{9, 2, 0, 1, 1, 0, 0x80, 50, &interface, nullptr, 0};
};
FakeBus* g_bus = nullptr;

// Devices and handles are addresses inside the device table, so every call can find its device.
int index_of(const void* p) {
  return static_cast<int>(static_cast<const FakeDevice*>(p) - g_bus->devices.data());
}
lu::Device* as_device(size_t i) {
  return reinterpret_cast<lu::Device*>(&g_bus->devices[i]);
}

int fake_init(lu::Context** context) {
  *context = reinterpret_cast<lu::Context*>(g_bus);
  return g_bus->init_fails ? -99 : lu::kSuccess;
}
void fake_exit(lu::Context*) {}
ptrdiff_t fake_get_device_list(lu::Context*, lu::Device*** list) {
  auto* all = new lu::Device*[g_bus->devices.size() + 1];
  for (size_t i = 0; i < g_bus->devices.size(); ++i) all[i] = as_device(i);
  all[g_bus->devices.size()] = nullptr;
  *list = all;
  return static_cast<ptrdiff_t>(g_bus->devices.size());
}
void fake_free_device_list(lu::Device** list, int) {
  delete[] list;
}
int fake_get_device_descriptor(lu::Device* device, lu::DeviceDescriptor* d) {
  const FakeDevice& f = g_bus->devices[static_cast<size_t>(index_of(device))];
  *d =
      lu::DeviceDescriptor{18, 1, 0x200, 0xFF, 0, 0, 64, f.vendor, f.product, 0x100, 1, 2, f.serial_index, 1};
  return lu::kSuccess;
}
uint8_t fake_get_bus_number(lu::Device* device) {
  return g_bus->devices[static_cast<size_t>(index_of(device))].bus;
}
uint8_t fake_get_device_address(lu::Device* device) {
  return g_bus->devices[static_cast<size_t>(index_of(device))].address;
}
int fake_open(lu::Device* device, lu::DeviceHandle** handle) {
  ++g_bus->opened_handles;
  *handle = reinterpret_cast<lu::DeviceHandle*>(device);
  return lu::kSuccess;
}
void fake_close(lu::DeviceHandle*) {
  --g_bus->opened_handles;
}
int fake_get_string_descriptor_ascii(lu::DeviceHandle* handle, uint8_t index, unsigned char* data,
                                     int length) {
  const FakeDevice& f = g_bus->devices[static_cast<size_t>(index_of(handle))];
  if (index == 0 || index != f.serial_index) return -9;
  const int n = std::min(length, static_cast<int>(f.serial.size()));
  std::memcpy(data, f.serial.data(), static_cast<size_t>(n));
  return n;
}
int fake_get_active_config_descriptor(lu::Device*, lu::ConfigDescriptor** config) {
  *config = &g_bus->config;
  return lu::kSuccess;
}
void fake_free_config_descriptor(lu::ConfigDescriptor*) {}
int fake_claim_interface(lu::DeviceHandle* handle, int number) {
  if (number != 0) return -5;
  g_bus->claimed.insert(index_of(handle));
  return lu::kSuccess;
}
int fake_release_interface(lu::DeviceHandle* handle, int) {
  g_bus->claimed.erase(index_of(handle));
  return lu::kSuccess;
}
int fake_bulk_transfer(lu::DeviceHandle*, unsigned char endpoint, unsigned char* data, int length,
                       int* transferred, unsigned int timeout_ms) {
  g_bus->timeouts.push_back(timeout_ms);
  *transferred = 0;
  if (endpoint & lu::kEndpointIn) {
    if (endpoint != 0x82) return -1;  // only the first bulk IN endpoint may be read
    if (g_bus->in_fails) return -4;   // no device
    if (g_bus->replies.empty()) {     // nothing comes: libusb returns after the time-out
      std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
      return lu::kErrorTimeout;
    }
    std::string& r = g_bus->replies.front();
    const int n = std::min(length, static_cast<int>(r.size()));
    std::memcpy(data, r.data(), static_cast<size_t>(n));
    r.erase(0, static_cast<size_t>(n));
    if (r.empty()) g_bus->replies.pop_front();
    *transferred = n;
    return lu::kSuccess;
  }
  g_bus->out_endpoints.push_back(endpoint);
  g_bus->sent.append(reinterpret_cast<char*>(data), static_cast<size_t>(length));
  *transferred = length;
  return lu::kSuccess;
}

// The platform with the stand-in behind dlopen("libusb-1.0.so.0"); missing names one function that
// dlsym does not find, present = false makes dlopen fail.
class FakeLibusbPlatform : public linkar::Platform {
 public:
  bool present = true;
  std::string missing;
  int opens = 0;
  void* dlopen(const char* file) override {
    if (std::strcmp(file, "libusb-1.0.so.0") != 0) return Platform::dlopen(file);
    ++opens;
    return present ? static_cast<void*>(&token_) : nullptr;
  }
  void* dlsym(void* library, const char* name) override {
    if (library != &token_) return Platform::dlsym(library, name);
    if (missing == name) return nullptr;
    static const std::pair<const char*, void*> kTable[] = {
        {"libusb_init", reinterpret_cast<void*>(&fake_init)},
        {"libusb_exit", reinterpret_cast<void*>(&fake_exit)},
        {"libusb_get_device_list", reinterpret_cast<void*>(&fake_get_device_list)},
        {"libusb_free_device_list", reinterpret_cast<void*>(&fake_free_device_list)},
        {"libusb_get_device_descriptor", reinterpret_cast<void*>(&fake_get_device_descriptor)},
        {"libusb_get_bus_number", reinterpret_cast<void*>(&fake_get_bus_number)},
        {"libusb_get_device_address", reinterpret_cast<void*>(&fake_get_device_address)},
        {"libusb_open", reinterpret_cast<void*>(&fake_open)},
        {"libusb_close", reinterpret_cast<void*>(&fake_close)},
        {"libusb_get_string_descriptor_ascii", reinterpret_cast<void*>(&fake_get_string_descriptor_ascii)},
        {"libusb_get_active_config_descriptor", reinterpret_cast<void*>(&fake_get_active_config_descriptor)},
        {"libusb_free_config_descriptor", reinterpret_cast<void*>(&fake_free_config_descriptor)},
        {"libusb_claim_interface", reinterpret_cast<void*>(&fake_claim_interface)},
        {"libusb_release_interface", reinterpret_cast<void*>(&fake_release_interface)},
        {"libusb_bulk_transfer", reinterpret_cast<void*>(&fake_bulk_transfer)},
    };
    for (const auto& [n, f] : kTable)
      if (std::strcmp(n, name) == 0) return f;
    return nullptr;
  }
  int dlclose(void* library) override { return library == &token_ ? 0 : Platform::dlclose(library); }

 private:
  int token_ = 0;
};

class LibusbTest : public LinkarTest {
 protected:
  void SetUp() override {
    LinkarTest::SetUp();
    bus_.devices = {
        {0x1234, 0x5678, 1, 5, 3, "CV-LIBUSB"},  // a Corvane
        {0x1234, 0x9999, 1, 6, 3, "OTHER"},      // ids not listed
        {0xABCD, 0x0001, 2, 7, 0, ""},           // listed, but without a serial-number string
        {0xabcd, 0x0002, 3, 1, 2, "CV-SECOND"},  // a second Corvane
    };
    g_bus = &bus_;
    linkar::forget_libusb_load();
    linkar::set_platform(&platform_);
  }
  void TearDown() override {
    LinkarTest::TearDown();
    EXPECT_EQ(linkar::usb_pipes().open_count(), 0);
    linkar::forget_libusb_load();
    linkar::set_platform(nullptr);
    g_bus = nullptr;
  }

  FakeBus bus_;
  FakeLibusbPlatform platform_;
  testkit::ScopedEnv backend_{"LINKAR32_USB_BACKEND", "libusb"};
  testkit::ScopedEnv ids_{"LINKAR32_USB_IDS", "1234:5678,zz:1,abcd:0001,ABCD:2,12345:1"};
};

TEST_F(LibusbTest, MissingLibraryGivesMinus6003FromThenOn) {
  platform_.present = false;
  char list[510];
  EXPECT_EQ(USB_ScanUsbDevice(1, list), kQbxUsbNoSetupApi);
  EXPECT_EQ(USB_GetMaxUsbDevice(), kQbxUsbNoSetupApi);
  EXPECT_EQ(QBX_OpenPort(200, 1, "CV-LIBUSB", 8, 1, 4096), kQbxUsbNoSetupApi);
  EXPECT_EQ(QBX_SelectPort(200), kQbxPortNotOpen);
  // The library appearing later changes nothing: it was looked for once.
  platform_.present = true;
  EXPECT_EQ(USB_ScanUsbDevice(1, list), kQbxUsbNoSetupApi);
  EXPECT_EQ(platform_.opens, 1);
}

TEST_F(LibusbTest, MissingFunctionOrFailedInitGivesMinus6003) {
  for (const char* name : {"libusb_bulk_transfer", "libusb_get_string_descriptor_ascii", "libusb_init"}) {
    linkar::forget_libusb_load();
    platform_.missing = name;
    EXPECT_EQ(USB_GetMaxUsbDevice(), kQbxUsbNoSetupApi) << name;
    EXPECT_EQ(QBX_OpenPort(200, 1, "CV-LIBUSB", 8, 1, 4096), kQbxUsbNoSetupApi) << name;
  }
  linkar::forget_libusb_load();
  platform_.missing.clear();
  bus_.init_fails = true;
  EXPECT_EQ(USB_GetMaxUsbDevice(), kQbxUsbNoSetupApi);
}

TEST_F(LibusbTest, ScanListsCorvanesByIdsWithTheirSerialNumbers) {
  std::vector<char> list(3 * 510, '\x55');
  ASSERT_EQ(USB_ScanUsbDevice(3, list.data()), 2);
  EXPECT_STREQ(list.data(), "CV-LIBUSB");
  EXPECT_STREQ(list.data() + 255, "usb:1-5");
  EXPECT_STREQ(list.data() + 510, "CV-SECOND");
  EXPECT_STREQ(list.data() + 765, "usb:3-1");
  EXPECT_EQ(USB_GetMaxUsbDevice(), 2);
  EXPECT_EQ(bus_.opened_handles, 0);  // the scan closes what it opened
  testkit::ScopedEnv none("LINKAR32_USB_IDS", "");
  EXPECT_EQ(USB_GetMaxUsbDevice(), 0);
}

TEST_F(LibusbTest, PipesAreTheFirstBulkEndpointsOfInterfaceZero) {
  QBX_SetTimeout(250);
  ASSERT_EQ(QBX_OpenPort(200, 1, "CV-LIBUSB", 8, 1, 4096), 0);
  EXPECT_EQ(bus_.claimed, std::set<int>{0});
  EXPECT_EQ(bus_.opened_handles, 1);  // both pipes share one handle
  bus_.replies = {"0\r\n10021\r\n", "QBX"};
  ASSERT_EQ(QBX_WritePort("EST?\n"), 0);
  EXPECT_EQ(bus_.sent, "EST?\n");
  EXPECT_EQ(bus_.out_endpoints, std::vector<unsigned char>{0x01});
  char buf[64];
  int32_t status = 0, got = 0;
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "0\r\n");
  ASSERT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), 0);
  EXPECT_STREQ(buf, "10021\r\n");
  ASSERT_EQ(QBX_ReadPort(buf, 3, &status, &got, 0), 0);
  EXPECT_EQ(std::string(buf, 3), "QBX");
  EXPECT_EQ(bus_.timeouts.front(), 250u);  // transfers wait the current time-out
  // Nothing more comes: the time-out ends the read.
  EXPECT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), kQbxReadFailed);
  bus_.in_fails = true;
  EXPECT_EQ(QBX_ReadPort(buf, 63, &status, &got, '\n'), kQbxUsbPipeError);
  // A write larger than the pipe buffer goes out in pieces of the buffer size.
  std::string big(linkar::kUsbPipeBufferSize + 100, 'A');
  bus_.out_endpoints.clear();
  ASSERT_EQ(QBX_WritePortCount(big.data(), static_cast<int32_t>(big.size())), 0);
  EXPECT_EQ(bus_.out_endpoints.size(), 2u);
  EXPECT_EQ(bus_.sent.size(), 5 + big.size());

  // A second Corvane has its own handle; closing the first releases and closes only its own.
  ASSERT_EQ(QBX_OpenPort(200, 2, "CV-SECOND", 8, 1, 4096), 0);
  EXPECT_EQ(bus_.claimed, (std::set<int>{0, 3}));
  ASSERT_EQ(QBX_SelectDevice(1), 0);
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_EQ(bus_.claimed, std::set<int>{3});
  EXPECT_EQ(bus_.opened_handles, 1);
  ASSERT_EQ(QBX_ClosePort(), 0);
  EXPECT_TRUE(bus_.claimed.empty());
  EXPECT_EQ(bus_.opened_handles, 0);
}

TEST_F(LibusbTest, DeviceWithoutBulkEndpointsOpensWithoutPipes) {
  bus_.setting.bNumEndpoints = 1;  // only the interrupt endpoint
  enable_log();
  ASSERT_EQ(QBX_OpenPort(200, 1, "CV-LIBUSB", 8, 1, 4096), 0);
  EXPECT_TRUE(bus_.claimed.empty());
  EXPECT_EQ(bus_.opened_handles, 0);
  EXPECT_EQ(QBX_WritePort("EST?\n"), kQbxWriteFailed);
  QBX_DisableComLog();
  EXPECT_NE(log_text().find(
                "Successfully opened USB device: CV-LIBUSB Read handle = -6004  Write handle = -6004\r\n"),
            std::string::npos);
}

// The real system, remembering which functions of an installed libusb the backend asked for.
class RecordingPlatform : public linkar::Platform {
 public:
  void* dlopen(const char* file) override {
    void* handle = Platform::dlopen(file);
    if (std::strcmp(file, "libusb-1.0.so.0") == 0) library = handle;
    return handle;
  }
  void* dlsym(void* handle, const char* name) override {
    void* found = Platform::dlsym(handle, name);
    if (handle && handle == library) asked.emplace_back(name, found != nullptr);
    return found;
  }
  void* library = nullptr;
  std::vector<std::pair<std::string, bool>> asked;
};

TEST(InstalledLibusb, HasEveryFunctionTheBackendTakes) {
  testkit::ScopedEnv backend("LINKAR32_USB_BACKEND", "libusb");
  RecordingPlatform recording;
  linkar::forget_libusb_load();
  linkar::set_platform(&recording);
  const int32_t count = USB_GetMaxUsbDevice();
  linkar::forget_libusb_load();
  linkar::set_platform(nullptr);
  if (!recording.library) GTEST_SKIP() << "libusb-1.0 is not installed here";
  EXPECT_EQ(recording.asked.size(), 15u);
  for (const auto& [name, found] : recording.asked) EXPECT_TRUE(found) << name;
  // Without a USB bus (a container) initialisation may fail; otherwise the bus is listed.
  EXPECT_TRUE(count >= 0 || count == kQbxUsbNoSetupApi) << count;
}

}  // namespace
