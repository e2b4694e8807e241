#include "link/usb_display_transport.h"

namespace orvix {
namespace {

// The platform's USB printing interface class, under which the 0x1101 display's driver
// registers, and the generic USB device interface class of the other two.
constexpr platform::Guid kUsbPrintingClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr platform::Guid kUsbDeviceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

struct DisplayModel {
  int32_t selector;
  const platform::Guid* interfaceClass;
  const char* productText;
};

constexpr DisplayModel kDisplayModels[] = {
    {0x1101, &kUsbPrintingClass, "1101"},
    {0x1102, &kUsbDeviceClass, "1102"},
    {0x2001, &kUsbDeviceClass, "2001"},
};

// The maker's vendor id 03eb in the four letter cases of its two letters, so that the vendor
// test ignores their case, and product ids, which are accepted in the vendor position too.
constexpr const char* kAcceptedVendorTexts[] = {
    "03eb", "03EB", "03Eb", "03eB", "1001", "1102", "1101", "2001",
    "2002", "2006", "2003", "2004", "2005", "1003", "6127",
};

constexpr size_t kIdTextLength = 4;
// Shorter than any path a driver registers; such a path is not looked into.
constexpr size_t kShortestDevicePath = 10;

constexpr const char* kReadPipeSuffix = "\\PIPE01";
constexpr const char* kWritePipeSuffix = "\\PIPE02";

const DisplayModel* FindModel(int32_t selector) {
  for (const DisplayModel& model : kDisplayModels) {
    if (model.selector == selector) return &model;
  }
  return nullptr;
}

// The four characters after the first occurrence of `marker`; empty when the marker is
// missing or the path ends before four characters follow it. The drivers write the markers
// in lower case, so an upper-case "VID_" is no marker.
std::string IdTextAfter(const std::string& path, const char* marker) {
  const std::string::size_type at = path.find(marker);
  if (at == std::string::npos) return {};
  const std::string::size_type start = at + std::char_traits<char>::length(marker);
  if (path.size() - start < kIdTextLength) return {};
  return path.substr(start, kIdTextLength);
}

}  // namespace

void UsbDisplayTransport::RebuildTables() {
  vendorSet_.clear();
  for (const char* vendor : kAcceptedVendorTexts) vendorSet_.insert(vendor);
  productTable_.clear();
  for (const DisplayModel& model : kDisplayModels) productTable_[model.selector] = model.productText;
}

bool UsbDisplayTransport::Qualifies(const std::string& path) const {
  if (path.size() < kShortestDevicePath) return false;
  const std::string vendor = IdTextAfter(path, "vid_");
  const std::string product = IdTextAfter(path, "pid_");
  if (vendor.empty() || product.empty()) return false;
  const auto expected = productTable_.find(selector_);
  return vendorSet_.count(vendor) != 0 && expected != productTable_.end() && product == expected->second;
}

bool UsbDisplayTransport::Open(int32_t selector, int32_t /*mode*/) {
  RebuildTables();
  selector_ = selector;
  const DisplayModel* model = FindModel(selector);
  if (model == nullptr) {
    // An unattended till (a service) has no one to click the box away: it would hang here.
    if (messageBox_ != nullptr && messageBox_->CanBeSeen()) {
      messageBox_->ShowError(kUnknownDeviceMessage);
    } else if (unseen_) {
      unseen_(kUnknownDeviceMessage);
    }
    return false;
  }

  // Every interface is looked at, so of two matching displays the later one is taken. When
  // none matches, the path of an earlier open stays and is tried again.
  for (const std::string& path : bus_.EnumerateInterfaces(*model->interfaceClass)) {
    if (Qualifies(path)) devicePath_ = path;
  }

  // With no device found, ever, there is no path to build the pipe names on: the bare
  // suffixes would name files in the root of the current drive. Nothing is opened, and the
  // failure shows in the identification's reads.
  Close();
  if (devicePath_.empty()) return true;
  readPipe_ = bus_.OpenPipe((devicePath_ + kReadPipeSuffix).c_str());
  writePipe_ = bus_.OpenPipe((devicePath_ + kWritePipeSuffix).c_str());
  return true;
}

void UsbDisplayTransport::Close() {
  readPipe_.reset();
  writePipe_.reset();
}

// A pipe that did not open is not written to or read from at all: there is nothing to wait
// for, and the caller judges the missing reply by its content.
void UsbDisplayTransport::Write(const uint8_t* bytes, size_t count) {
  if (writePipe_ != nullptr && count > 0) writePipe_->Write(bytes, count, kTransferTimeoutMs);
}

void UsbDisplayTransport::Read(uint8_t* destination, size_t count) {
  if (readPipe_ != nullptr && count > 0) readPipe_->Read(destination, count, kTransferTimeoutMs);
}

}  // namespace orvix
