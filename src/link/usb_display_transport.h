#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "link/usb_transport.h"
#include "platform/message_box.h"
#include "platform/usb_bus.h"

namespace orvix {

// The display behind its USB driver. The driver exposes each display as a device interface
// whose path carries the USB vendor and product ids ("...vid_03eb&pid_1102..."), with pipe
// file 01 for what the display sends and 02 for what it receives.
class UsbDisplayTransport : public UsbTransport {
 public:
  // Every read and write waits at most this long.
  static constexpr uint32_t kTransferTimeoutMs = 1000;
  static constexpr const char* kUnknownDeviceMessage = "Error:Not found access device.";

  // What the person at the till would be told when no one can see a message box (or there
  // is none): the text of the box.
  using UnseenMessage = std::function<void(const char* text)>;

  // `messageBox` and `unseen` may be null: a message that cannot be shown is then dropped.
  UsbDisplayTransport(platform::UsbBus& bus, platform::MessageBox* messageBox, UnseenMessage unseen = nullptr)
      : bus_(bus), messageBox_(messageBox), unseen_(std::move(unseen)) {}

  // Looks for the display that `selector` names (0x1101, 0x1102, 0x2001) among the present
  // interfaces and opens its two pipes, closing any pipes of an earlier open. The last
  // interface in enumeration order that matches is taken; when none matches, the device
  // found by an earlier open is tried again; with none found ever, no pipe is opened. False,
  // after telling the person at the till, only for a selector that names no display; a
  // missing display shows in the reads. The pipes are always opened for overlapped I/O, so
  // `mode` (1 from the link) changes nothing.
  bool Open(int32_t selector, int32_t mode) override;
  void Close() override;
  void Write(const uint8_t* bytes, size_t count) override;
  void Read(uint8_t* destination, size_t count) override;

  const std::string& devicePath() const { return devicePath_; }

 private:
  void RebuildTables();
  bool Qualifies(const std::string& path) const;

  platform::UsbBus& bus_;
  platform::MessageBox* messageBox_;
  UnseenMessage unseen_;
  int32_t selector_ = 0;
  std::string devicePath_;  // kept across opens
  std::set<std::string> vendorSet_;
  std::map<int32_t, std::string> productTable_;
  std::unique_ptr<platform::UsbPipe> readPipe_;   // the device path + \PIPE01
  std::unique_ptr<platform::UsbPipe> writePipe_;  // the device path + \PIPE02
};

}  // namespace orvix
