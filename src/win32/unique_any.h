// The one way this code owns a Windows resource. UniqueAny holds one handle, pointer or
// string and gives it back exactly once, with the function that its kind of resource needs;
// each kind has its name below. Nothing else calls CloseHandle, RegCloseKey, FreeLibrary,
// SetupDiDestroyDeviceInfoList or SysFreeString: a resource given back by hand is one that
// an early return, or a second path added later, leaks or gives back twice.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <setupapi.h>

#include <utility>

namespace orvix::win32 {

// `Traits` names the held type (Type), the value that stands for nothing (Invalid(); the
// creating functions disagree: CreateFileA fails with INVALID_HANDLE_VALUE, CreateEventA with
// null) and the function that gives a value back (Close(), never called with Invalid()).
template <typename Traits>
class UniqueAny {
 public:
  using Type = typename Traits::Type;

  UniqueAny() = default;
  // Takes over `value`: the caller must not give it back itself.
  explicit UniqueAny(Type value) : value_(value) {}
  ~UniqueAny() { reset(); }

  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;

  Type get() const { return value_; }
  // For the COM pointer: calls go through to the interface.
  Type operator->() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Invalid(); }

  // Gives the value up without closing it; the caller owns it from now on.
  Type release() { return std::exchange(value_, Traits::Invalid()); }

  // Closes the value held, if any, and holds `value` instead. Closing comes first whatever
  // `value` is: a COM pointer reset to the same interface pointer hands over a second
  // reference, and the first must go.
  void reset(Type value = Traits::Invalid()) {
    const Type old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // Where a function that hands out a new value writes it (RegOpenKeyExA, QueryInterface,
  // GetDocumentation...). The value held is closed first; writing over it would leak it.
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct EventTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type module) { FreeLibrary(module); }
};

struct DeviceInfoSetTraits {
  using Type = HDEVINFO;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type set) { SetupDiDestroyDeviceInfoList(set); }
};

struct BstrTraits {
  using Type = BSTR;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { SysFreeString(text); }
};

template <typename Interface>
struct ComTraits {
  using Type = Interface*;
  static Type Invalid() { return nullptr; }
  static void Close(Type pointer) { pointer->Release(); }
};

// A file, device or pipe from CreateFileA.
using UniqueFile = UniqueAny<FileTraits>;
// An event from CreateEventA.
using UniqueEvent = UniqueAny<EventTraits>;
// A registry key from RegOpenKeyExA or RegCreateKeyExA; never one of the predefined roots.
using UniqueHkey = UniqueAny<RegistryKeyTraits>;
// A module from LoadLibraryA or LoadLibraryExA.
using UniqueModule = UniqueAny<ModuleTraits>;
// A device-information set from SetupDiGetClassDevsA.
using UniqueDeviceInfoSet = UniqueAny<DeviceInfoSetTraits>;
// An Automation string this code allocated or was handed.
using UniqueBstr = UniqueAny<BstrTraits>;
// One reference to an interface.
template <typename Interface>
using ComPtr = UniqueAny<ComTraits<Interface>>;

// An unnamed, unsignalled event that stays signalled until reset: what an overlapped
// transfer needs (ReadFile and WriteFile reset it themselves). Empty when none can be made.
inline UniqueEvent NewManualResetEvent() { return UniqueEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }

}  // namespace orvix::win32
