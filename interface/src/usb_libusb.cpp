// The libusb backend: libusb-1.0 is loaded at run time through the platform seam on first use, with
// every function this file calls; when the library or any function is missing (or it cannot be
// initialised), every USB call gives kQbxUsbNoSetupApi from then on. A Corvane is a device whose
// vendor:product pair is listed in LINKAR32_USB_IDS ("vvvv:pppp,..." in hex); its serial-number
// string is its name and "usb:<bus>-<address>" its path. Its read pipe is the first bulk IN endpoint
// and its write pipe the first bulk OUT endpoint of interface 0, which is claimed while a pipe is open.
#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "libusb_abi.h"
#include "linkar32.h"
#include "platform.h"
#include "text_format.h"
#include "usb_backend.h"

namespace linkar {
namespace {

constexpr char kLibraryFile[] = "libusb-1.0.so.0";
constexpr char kIdsVariable[] = "LINKAR32_USB_IDS";
constexpr int kCorvaneInterface = 0;
// Longest string descriptor: 126 UTF-16 characters after a 2-byte header.
constexpr int kStringBytes = 256;

// vendor:product pairs of LINKAR32_USB_IDS; entries that are not two hex numbers of up to four
// digits are skipped.
std::vector<std::pair<uint16_t, uint16_t>> corvane_ids() {
  std::vector<std::pair<uint16_t, uint16_t>> ids;
  const char* text = platform().getenv(kIdsVariable);
  if (!text) return ids;
  std::string all(text);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(',', start);
    if (end == std::string::npos) end = all.size();
    const std::string entry = all.substr(start, end - start);
    start = end + 1;
    const size_t colon = entry.find(':');
    auto hex = [](const std::string& part, uint16_t* value) {
      if (part.empty() || part.size() > 4) return false;
      unsigned v = 0;
      for (char c : part) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
          digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
          digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
          digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
          return false;
        }
        v = v * 16 + digit;
      }
      *value = static_cast<uint16_t>(v);
      return true;
    };
    uint16_t vendor = 0, product = 0;
    if (colon != std::string::npos && hex(entry.substr(0, colon), &vendor) &&
        hex(entry.substr(colon + 1), &product))
      ids.emplace_back(vendor, product);
  }
  return ids;
}

class LibusbBackend : public UsbBackend {
 public:
  int32_t scan(std::vector<UsbDeviceInfo>* devices) override;
  int open_pipe(const std::string& path, int pipe) override;
  ssize_t read(int handle, char* buffer, size_t size, int32_t timeout_ms) override;
  ssize_t write(int handle, const char* data, size_t size, int32_t timeout_ms) override;
  void close(int handle) override;
  void forget();

 private:
  // An opened device with interface 0 claimed, shared by its two pipes.
  struct OpenDevice {
    std::string path;
    libusb::DeviceHandle* handle = nullptr;
    int in_endpoint = -1;   // first bulk IN endpoint address, -1 when there is none
    int out_endpoint = -1;  // first bulk OUT endpoint address
    int users = 0;
  };
  struct Pipe {
    bool in_use = false;
    std::string path;
    unsigned char endpoint = 0;
  };

  // Loads the library on the first call; true while it is usable.
  bool load();
  std::string path_of(libusb::Device* device) const;
  OpenDevice* find_open(const std::string& path);
  // Opens the device at path and claims interface 0; nullptr when that fails.
  OpenDevice* open_device(const std::string& path);
  void drop_user(const std::string& path);
  // Transfers on a pipe: bytes moved (also after a time-out), -1 on failure.
  ssize_t transfer(int handle, unsigned char* data, size_t size, int32_t timeout_ms);

  enum class LoadState { kNotTried, kReady, kUnavailable };
  LoadState state_ = LoadState::kNotTried;
  void* library_ = nullptr;
  libusb::Context* context_ = nullptr;
  struct Api {
    libusb::InitFn init;
    libusb::ExitFn exit;
    libusb::GetDeviceListFn get_device_list;
    libusb::FreeDeviceListFn free_device_list;
    libusb::GetDeviceDescriptorFn get_device_descriptor;
    libusb::GetBusNumberFn get_bus_number;
    libusb::GetDeviceAddressFn get_device_address;
    libusb::OpenFn open;
    libusb::CloseFn close;
    libusb::GetStringDescriptorAsciiFn get_string_descriptor_ascii;
    libusb::GetActiveConfigDescriptorFn get_active_config_descriptor;
    libusb::FreeConfigDescriptorFn free_config_descriptor;
    libusb::ClaimInterfaceFn claim_interface;
    libusb::ReleaseInterfaceFn release_interface;
    libusb::BulkTransferFn bulk_transfer;
  } api_{};
  std::vector<OpenDevice> devices_;
  std::vector<Pipe> pipes_;
};

// Takes one function from the library into *slot; false when it is missing.
template <typename Fn>
bool take(void* library, const char* name, Fn* slot) {
  void* symbol = platform().dlsym(library, name);
  *slot = reinterpret_cast<Fn>(symbol);
  return symbol != nullptr;
}

bool LibusbBackend::load() {
  if (state_ != LoadState::kNotTried) return state_ == LoadState::kReady;
  state_ = LoadState::kUnavailable;
  Platform& sys = platform();
  library_ = sys.dlopen(kLibraryFile);
  if (!library_) return false;
  Api a{};
  const bool complete =
      take(library_, "libusb_init", &a.init) && take(library_, "libusb_exit", &a.exit) &&
      take(library_, "libusb_get_device_list", &a.get_device_list) &&
      take(library_, "libusb_free_device_list", &a.free_device_list) &&
      take(library_, "libusb_get_device_descriptor", &a.get_device_descriptor) &&
      take(library_, "libusb_get_bus_number", &a.get_bus_number) &&
      take(library_, "libusb_get_device_address", &a.get_device_address) &&
      take(library_, "libusb_open", &a.open) && take(library_, "libusb_close", &a.close) &&
      take(library_, "libusb_get_string_descriptor_ascii", &a.get_string_descriptor_ascii) &&
      take(library_, "libusb_get_active_config_descriptor", &a.get_active_config_descriptor) &&
      take(library_, "libusb_free_config_descriptor", &a.free_config_descriptor) &&
      take(library_, "libusb_claim_interface", &a.claim_interface) &&
      take(library_, "libusb_release_interface", &a.release_interface) &&
      take(library_, "libusb_bulk_transfer", &a.bulk_transfer);
  if (!complete || a.init(&context_) != libusb::kSuccess) {
    context_ = nullptr;
    sys.dlclose(library_);
    library_ = nullptr;
    return false;
  }
  api_ = a;
  state_ = LoadState::kReady;
  return true;
}

void LibusbBackend::forget() {
  for (OpenDevice& d : devices_) {
    api_.release_interface(d.handle, kCorvaneInterface);
    api_.close(d.handle);
  }
  devices_.clear();
  pipes_.clear();
  if (context_) api_.exit(context_);
  if (library_) platform().dlclose(library_);
  context_ = nullptr;
  library_ = nullptr;
  api_ = Api{};
  state_ = LoadState::kNotTried;
}

std::string LibusbBackend::path_of(libusb::Device* device) const {
  return strprintf("usb:%u-%u", static_cast<unsigned>(api_.get_bus_number(device)),
                   static_cast<unsigned>(api_.get_device_address(device)));
}

int32_t LibusbBackend::scan(std::vector<UsbDeviceInfo>* devices) {
  devices->clear();
  if (!load()) return kQbxUsbNoSetupApi;
  const auto ids = corvane_ids();
  libusb::Device** list = nullptr;
  const ptrdiff_t n = api_.get_device_list(context_, &list);
  if (n < 0 || !list) return kQbxOk;  // the bus cannot be listed: nothing is attached as far as we can tell
  for (ptrdiff_t i = 0; i < n; ++i) {
    libusb::DeviceDescriptor d{};
    if (api_.get_device_descriptor(list[i], &d) != libusb::kSuccess || d.iSerialNumber == 0) continue;
    if (std::find(ids.begin(), ids.end(), std::make_pair(d.idVendor, d.idProduct)) == ids.end()) continue;
    libusb::DeviceHandle* handle = nullptr;
    if (api_.open(list[i], &handle) != libusb::kSuccess || !handle) continue;
    unsigned char text[kStringBytes] = {};
    const int length = api_.get_string_descriptor_ascii(handle, d.iSerialNumber, text, sizeof text - 1);
    api_.close(handle);
    if (length <= 0) continue;  // only devices with a readable serial-number string are listed
    const size_t used = std::min(static_cast<size_t>(length), sizeof text - 1);
    devices->push_back(UsbDeviceInfo{
        std::string(reinterpret_cast<char*>(text), strnlen(reinterpret_cast<char*>(text), used)),
        path_of(list[i])});
  }
  api_.free_device_list(list, 1);
  return kQbxOk;
}

LibusbBackend::OpenDevice* LibusbBackend::find_open(const std::string& path) {
  for (OpenDevice& d : devices_)
    if (d.path == path) return &d;
  return nullptr;
}

LibusbBackend::OpenDevice* LibusbBackend::open_device(const std::string& path) {
  libusb::Device** list = nullptr;
  const ptrdiff_t n = api_.get_device_list(context_, &list);
  if (n < 0 || !list) return nullptr;
  OpenDevice opened;
  opened.path = path;
  bool found = false;
  for (ptrdiff_t i = 0; i < n && !found; ++i) {
    if (path_of(list[i]) != path) continue;
    found = true;
    libusb::ConfigDescriptor* config = nullptr;
    if (api_.get_active_config_descriptor(list[i], &config) != libusb::kSuccess || !config) break;
    if (config->bNumInterfaces > 0 && config->interface && config->interface[0].num_altsetting > 0 &&
        config->interface[0].altsetting) {
      const libusb::InterfaceDescriptor& first = config->interface[0].altsetting[0];
      for (int e = 0; e < first.bNumEndpoints && first.endpoint; ++e) {
        const libusb::EndpointDescriptor& ep = first.endpoint[e];
        if ((ep.bmAttributes & libusb::kTransferTypeMask) != libusb::kTransferTypeBulk) continue;
        int& slot = (ep.bEndpointAddress & libusb::kEndpointIn) ? opened.in_endpoint : opened.out_endpoint;
        if (slot < 0) slot = ep.bEndpointAddress;
      }
    }
    api_.free_config_descriptor(config);
    if (api_.open(list[i], &opened.handle) != libusb::kSuccess || !opened.handle) {
      opened.handle = nullptr;
      break;
    }
    if (api_.claim_interface(opened.handle, kCorvaneInterface) != libusb::kSuccess) {
      api_.close(opened.handle);
      opened.handle = nullptr;
    }
  }
  api_.free_device_list(list, 1);
  if (!opened.handle) return nullptr;
  devices_.push_back(opened);
  return &devices_.back();
}

void LibusbBackend::drop_user(const std::string& path) {
  for (size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i].path != path) continue;
    if (--devices_[i].users <= 0) {
      api_.release_interface(devices_[i].handle, kCorvaneInterface);
      api_.close(devices_[i].handle);
      devices_.erase(devices_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return;
  }
}

int LibusbBackend::open_pipe(const std::string& path, int pipe) {
  if (!load() || (pipe != kUsbReadPipe && pipe != kUsbWritePipe)) return -1;
  OpenDevice* d = find_open(path);
  if (!d) d = open_device(path);
  if (!d) return -1;
  const int endpoint = pipe == kUsbReadPipe ? d->in_endpoint : d->out_endpoint;
  ++d->users;
  if (endpoint < 0) {
    drop_user(path);
    return -1;
  }
  size_t index = 0;
  while (index < pipes_.size() && pipes_[index].in_use) ++index;
  if (index == pipes_.size()) pipes_.emplace_back();
  pipes_[index] = Pipe{true, path, static_cast<unsigned char>(endpoint)};
  return static_cast<int>(index);
}

ssize_t LibusbBackend::transfer(int handle, unsigned char* data, size_t size, int32_t timeout_ms) {
  if (state_ != LoadState::kReady || handle < 0 || static_cast<size_t>(handle) >= pipes_.size() ||
      !pipes_[static_cast<size_t>(handle)].in_use)
    return -1;
  const Pipe& p = pipes_[static_cast<size_t>(handle)];
  OpenDevice* d = find_open(p.path);
  if (!d) return -1;
  int transferred = 0;
  const int length = static_cast<int>(std::min(size, static_cast<size_t>(INT_MAX)));
  // libusb waits without limit for a time-out of 0.
  const unsigned int wait = timeout_ms > 0 ? static_cast<unsigned int>(timeout_ms) : 0u;
  const int r = api_.bulk_transfer(d->handle, p.endpoint, data, length, &transferred, wait);
  if (r != libusb::kSuccess && r != libusb::kErrorTimeout) return -1;
  return std::clamp(transferred, 0, length);
}

ssize_t LibusbBackend::read(int handle, char* buffer, size_t size, int32_t timeout_ms) {
  return transfer(handle, reinterpret_cast<unsigned char*>(buffer), size, timeout_ms);
}

ssize_t LibusbBackend::write(int handle, const char* data, size_t size, int32_t timeout_ms) {
  // A bulk OUT transfer only reads the buffer; libusb's signature is shared with IN transfers.
  return transfer(handle, reinterpret_cast<unsigned char*>(const_cast<char*>(data)), size, timeout_ms);
}

void LibusbBackend::close(int handle) {
  if (handle < 0 || static_cast<size_t>(handle) >= pipes_.size() ||
      !pipes_[static_cast<size_t>(handle)].in_use)
    return;
  Pipe& p = pipes_[static_cast<size_t>(handle)];
  p.in_use = false;
  drop_user(p.path);
}

LibusbBackend& the_backend() {
  static LibusbBackend* backend =
      new LibusbBackend;  // lives as long as the process: pipes may outlive statics
  return *backend;
}

}  // namespace

UsbBackend& libusb_backend() {
  return the_backend();
}

void forget_libusb_load() {
  the_backend().forget();
}

}  // namespace linkar
