#include "win32/usb_bus_win32.h"

#include <windows.h>

#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/read_record.h"
#include "win32/read_record_win32.h"
#include "win32/unique_any.h"

namespace orvix::win32 {

using platform::Guid;
using platform::UsbPipe;

namespace {

// SetupDiEnumDeviceInterfaces and SetupDiGetDeviceInterfaceDetailA refuse a record whose
// size member is not the one of the calling code's own layout: 32-bit code packs these
// records to single bytes, 64-bit code aligns them to eight.
constexpr bool k64BitCode = sizeof(void*) == 8;
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (k64BitCode ? 32 : 28),
              "interface-data record: 28 bytes in 32-bit code, 32 in 64-bit code");
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (k64BitCode ? 8 : 5),
              "detail record: 5 bytes in 32-bit code, 8 in 64-bit code");

// Far beyond any device path the platform writes; a larger size is not believed.
constexpr DWORD kLargestDetailRecord = 32 * 1024;

GUID ToGuid(const Guid& guid) {
  GUID result;
  result.Data1 = guid.data1;
  result.Data2 = guid.data2;
  result.Data3 = guid.data3;
  std::memcpy(result.Data4, guid.data4, sizeof result.Data4);
  return result;
}

// The device path of one interface; empty when its detail cannot be read.
std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData) {
  // The first call only reports the size the record needs, and fails while doing so.
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(set, interfaceData, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || required > kLargestDetailRecord) return {};

  // DWORD elements keep the record's size member aligned.
  std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, interfaceData, detail, required, nullptr, nullptr)) return {};

  const size_t capacity = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  const char* path = detail->DevicePath;
  const void* end = std::memchr(path, '\0', capacity);
  return std::string(path, end != nullptr ? static_cast<const char*>(end) : path + capacity);
}

// One pipe file with the event its writes complete on. Each write has ended, one way or
// another, before Write returns, so one event and a record on the stack serve them all.
// Reads go into records of their own (see ReadRecordPool), so that a read whose
// cancellation the driver never finishes does not hold the caller.
class Win32UsbPipe : public UsbPipe {
 public:
  Win32UsbPipe(UniqueFile file, UniqueEvent event)
      : file_(std::move(file)), event_(std::move(event)), reads_([this] { return NewReadRecord(file_.get()); }) {}

  size_t Write(const uint8_t* bytes, size_t count, uint32_t timeoutMs) override {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event_.get();
    const BOOL done = WriteFile(file_.get(), bytes, Clamp(count), nullptr, &overlapped);
    return Finish(done, overlapped, timeoutMs);
  }

  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) override {
    return reads_.Read(destination, Clamp(count), timeoutMs);
  }

 private:
  static DWORD Clamp(size_t count) { return count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count); }

  size_t Finish(BOOL done, OVERLAPPED& overlapped, uint32_t timeoutMs) {
    DWORD transferred = 0;
    if (done) {
      GetOverlappedResult(file_.get(), &overlapped, &transferred, FALSE);
      return transferred;
    }
    // Refused at once (a driver that went away): no completion will ever signal the event.
    if (GetLastError() != ERROR_IO_PENDING) return 0;
    if (WaitForSingleObject(overlapped.hEvent, timeoutMs) != WAIT_OBJECT_0) {
      // Still on its way: once this returns, the caller's bytes and the record are gone.
      CancelIoEx(file_.get(), &overlapped);
    }
    // Waits for the transfer to have really ended, cancelled or not.
    GetOverlappedResult(file_.get(), &overlapped, &transferred, TRUE);
    return transferred;
  }

  UniqueFile file_;
  UniqueEvent event_;
  // Last, so that it lets go of its records while the file is still open.
  platform::ReadRecordPool reads_;
};

}  // namespace

std::vector<std::string> Win32UsbBus::EnumerateInterfaces(const Guid& interfaceClass) {
  std::vector<std::string> paths;
  const GUID classGuid = ToGuid(interfaceClass);
  UniqueDeviceInfoSet set(SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set) return paths;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof interfaceData;
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &classGuid, index, &interfaceData)) break;
    std::string path = InterfacePath(set.get(), &interfaceData);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

std::unique_ptr<UsbPipe> Win32UsbBus::OpenPipe(const char* name) {
  UniqueFile file(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!file) return nullptr;
  UniqueEvent event = NewManualResetEvent();
  if (!event) return nullptr;
  return std::make_unique<Win32UsbPipe>(std::move(file), std::move(event));
}

}  // namespace orvix::win32
